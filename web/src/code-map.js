// Which code belongs to which source line, for highlighting a line's code in
// the disassembly and a row's line in the source.
//
// A statement range is {from, to, line} with code addresses [from, to) (it
// may also carry column, endLine and endColumn).  Today they come from the
// LINE markers: the compiler puts the marker of line n before the code of the
// statement on line n, so a range runs from one marker to the next
// (Vyl.disassemble(...).statements, web/module.cpp).

// The statement ranges of a compilation.  The compiler's debug info
// (compiled.debugInfo, the JSON of prog.dbg) will carry them with their
// columns; reading it here is the one change needed when it lands.
export function statementRanges(compiled, disassembly) {
  return disassembly.statements;
}

export class CodeMap {
  constructor(ranges) {
    this.ranges = [...ranges].sort((a, b) => a.from - b.from);
  }

  // The ranges of the statements on source line `line`.
  rangesOfLine(line) {
    return this.ranges.filter((r) => r.line <= line && line <= (r.endLine ?? r.line));
  }

  // The range holding code address `address`, if any.
  rangeAt(address) {
    let lo = 0;
    let hi = this.ranges.length - 1;
    while (lo <= hi) {
      const mid = (lo + hi) >> 1;
      const r = this.ranges[mid];
      if (address < r.from) hi = mid - 1;
      else if (address >= r.to) lo = mid + 1;
      else return r;
    }
    return undefined;
  }
}

// The rows of a disassembly; the rows of procedure code carry the address of
// their instruction.
export function disassemblyRows(text) {
  const rows = [];
  let inCode = false;
  for (const line of text.split('\n')) {
    if (/^procedure \d/.test(line)) inCode = true;
    else if (!line.startsWith(' ')) inCode = false;
    const m = inCode ? /^ {2}([0-9A-F]{4}) {2}/.exec(line) : null;
    rows.push({ text: line, address: m ? parseInt(m[1], 16) : null });
  }
  if (rows.length > 0 && rows[rows.length - 1].text === '') rows.pop();
  return rows;
}
