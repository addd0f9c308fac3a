// The compiler and the simulator of the WebAssembly module (web/module.cpp),
// for the page, its worker and the tests.
//
// The module speaks bytes, one JavaScript character per byte.  This layer
// encodes a source as UTF-8, as an editor saves it; decodes the listing and
// the messages as UTF-8 for people; and hands the image (ftx) and a
// program's output on as bytes, unchanged: the output is the character of
// each byte the program printed (Latin-1).

const encoder = new TextEncoder();
const decoder = new TextDecoder('utf-8');

// A string of bytes (one character per byte) from text, as UTF-8.
export function utf8Bytes(text) {
  return bytesToBinary(encoder.encode(text));
}

export function bytesToBinary(bytes) {
  let out = '';
  for (let i = 0; i < bytes.length; i += 8192) out += String.fromCharCode(...bytes.subarray(i, i + 8192));
  return out;
}

export function binaryToBytes(binary) {
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

export function decodeUtf8(binary) {
  return decoder.decode(binaryToBytes(binary));
}

// The offset in `lineText` of the 1-based column `column`, counted in bytes
// of the line's UTF-8 form (as the compiler counts them).
export function columnOffset(lineText, column) {
  let bytes = 0;
  let i = 0;
  while (i < lineText.length && bytes < column - 1) {
    const code = lineText.codePointAt(i);
    bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    i += code >= 0x10000 ? 2 : 1;
  }
  return i;
}

// "3:7: error: Undefined name y"
export function formatDiagnostic(d) {
  return `${d.line}:${d.column}: ${d.severity}: ${d.message}`;
}

// The diagnostic of a source nested more deeply than the JavaScript engine's
// stack allows: the module's own stack holds any nesting the compiler
// accepts, but each level is also a frame of the engine (web/README.md).
export const tooDeepMessage = "Nested too deeply for this browser's stack (the native vylc compiles it)";

export class Vyl {
  // `factory` is the module's createVylModule; `options` its settings
  // (locateFile, wasmBinary).
  static async load(factory, options = {}) {
    return new Vyl(factory, options, await factory({ ...options }));
  }

  constructor(factory, options, module) {
    this.factory = factory;
    this.options = options;
    this.module = module;
    // A compilation cut off by the engine's stack leaves the module's stack
    // pointer and tables where they were: the instance is replaced.
    this.stale = false;
  }

  // A fresh instance when this one is stale, else this one.
  async renewed() {
    return this.stale ? Vyl.load(this.factory, this.options) : this;
  }

  get version() {
    return this.module.version;
  }

  get defaultStepLimit() {
    return this.module.defaultStepLimit;
  }

  // {success, ftx (bytes), listing, console, stderr, diagnostics, debugInfo}
  compile(source) {
    let raw;
    try {
      raw = this.module.compile(utf8Bytes(source));
    } catch (e) {
      if (!(e instanceof RangeError)) throw e;
      this.stale = true;
      const diagnostic = { severity: 'error', line: 1, column: 1, endLine: 1, endColumn: 1, message: tooDeepMessage, notes: [] };
      return { success: false, ftx: '', listing: '', console: '', stderr: '', diagnostics: [diagnostic], debugInfo: null, tooDeep: true };
    }
    return {
      success: raw.success,
      ftx: raw.ftx,
      listing: decodeUtf8(raw.listing),
      console: decodeUtf8(raw.console),
      stderr: decodeUtf8(raw.stderr),
      diagnostics: raw.diagnostics.map((d) => ({ ...d, message: decodeUtf8(d.message), notes: d.notes.map(decodeUtf8) })),
      debugInfo: raw.debugInfo === null ? null : decodeUtf8(raw.debugInfo),
    };
  }

  // {error, text, statements: [{from, to, line}]}
  disassemble(ftx) {
    return this.module.disassemble(ftx);
  }

  // A run of an image: slice(steps) → {status, output, steps, message,
  // reason, address, procedure}; dispose() when done.  `message` is what
  // vylsim says of a stop, `reason` its cause alone.
  startRun(ftx, input, stepLimit) {
    const run = new this.module.Run(ftx, utf8Bytes(input), stepLimit);
    return {
      slice: (steps) => run.slice(steps),
      dispose: () => run.delete(),
    };
  }
}
