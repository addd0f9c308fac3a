// Which code belongs to which source line, for highlighting a line's code in
// the disassembly and a row's line in the source.
//
// A statement range is {from, to, line} with code addresses [from, to) (it
// may also carry column, endLine and endColumn).  They come from the
// compiler's debug info (compiled.debugInfo, the JSON of prog.dbg:
// docs/debug-info.md), where statements nest (an if holds its branches); a
// compilation without it falls back on the LINE markers, which the compiler
// puts before the code of each statement (Vyl.disassemble(...).statements).

// The bytes of a LINE marker: 00 00 LINE.
const kMarkerSize = 3;

// The statement ranges of a compilation.
export function statementRanges(compiled, disassembly) {
  if (compiled && compiled.debugInfo) {
    try {
      const info = JSON.parse(compiled.debugInfo);
      // A statement's code starts after its LINE marker; the marker's row
      // belongs to it too, so that hovering it shows the statement.
      const markerBefore = new Map(disassembly.statements.map((m) => [m.from + kMarkerSize, m]));
      return info.statements.map((s) => {
        const marker = markerBefore.get(s.begin);
        const from = marker && marker.line === s.line ? marker.from : s.begin;
        return { from, to: s.end, line: s.line, column: s.column, endLine: s.endLine, endColumn: s.endColumn };
      });
    } catch {
      // fall back on the markers
    }
  }
  return disassembly.statements;
}

export class CodeMap {
  constructor(ranges) {
    this.ranges = [...ranges].sort((a, b) => a.from - b.from || b.to - a.to);
  }

  // The ranges of the statements that start on source line `line`; on a
  // line where none starts, the innermost one that spans it.
  rangesOfLine(line) {
    const starting = this.ranges.filter((r) => r.line === line);
    if (starting.length > 0) return starting;
    const spanning = this.ranges.filter((r) => r.line <= line && line <= (r.endLine ?? r.line));
    const size = (r) => r.to - r.from;
    return spanning.length > 0 ? [spanning.reduce((a, b) => (size(b) <= size(a) ? b : a))] : [];
  }

  // The innermost range holding code address `address`, if any.
  rangeAt(address) {
    let found;
    for (const r of this.ranges) {
      if (r.from > address) break;
      if (address < r.to && (!found || r.to - r.from <= found.to - found.from)) found = r;
    }
    return found;
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
