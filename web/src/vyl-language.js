// Vyl highlighting for CodeMirror: the tokens of docs/lexical.md.
import { StreamLanguage } from '@codemirror/language';

const keywords = new Set([
  'final', 'static', 'synchronized', 'import', 'class', 'new',
  'if', 'else', 'while', 'do', 'switch', 'break', 'continue', 'return', 'case', 'default',
  'void', 'true', 'false', 'null',
]);
const literals = { true: 'bool', false: 'bool', null: 'null' };
// Predefined names, not keywords (they may be declared again).
const types = new Set(['int', 'byte', 'boolean', 'char', 'String']);
const intrinsics = new Set(['ORD', 'CHR', 'LENGTH']);
const packages = new Set(['Hardware', 'Dangerous', 'Semaphores', 'Files']);

// A character or string literal body up to `quote`, with the escapes
// \n \r \t \b \' \" \\; strings stay on one line.
function quoted(stream, quote) {
  let escaped = false;
  while (!stream.eol()) {
  const c = stream.next();
  if (c === quote && !escaped) return true;
  escaped = !escaped && c === '\\';
  }
  return false;
}

function token(stream, state) {
  if (state.inComment) {
    state.inComment = !stream.skipTo('*/');
    if (state.inComment) stream.skipToEnd();
    else stream.match('*/');
    return 'blockComment';
  }
  if (stream.eatSpace()) return null;
  if (stream.match('//')) {
    stream.skipToEnd();
    return 'lineComment';
  }
  if (stream.match('/*')) {
    state.inComment = true;
    return token(stream, state);
  }
  const c = stream.peek();
  if (c === '"') {
    stream.next();
    quoted(stream, '"');
    return 'string';
  }
  if (c === "'") {
    stream.next();
    quoted(stream, "'");
    return 'character';
  }
  if (stream.match(/^0[xX][0-9a-fA-F]+/) || stream.match(/^[0-9]+/)) return 'number';
  if (stream.match(/^[A-Za-z][A-Za-z0-9]*/)) {
    const word = stream.current();
    if (literals[word]) return literals[word];
    if (keywords.has(word)) return 'keyword';
    if (types.has(word)) return 'typeName';
    if (intrinsics.has(word)) return 'variableName.standard';
    if (packages.has(word)) return 'namespace';
    return 'variableName';
  }
  if (stream.match(/^(>>>|&&|\|\||<=|>=|==|!=|<<|>>|[+\-*/%~!&|^<>=?])/)) return 'operator';
  if (stream.match(/^[()[\]{};,.:]/)) return 'punctuation';
  stream.next();
  return 'invalid';
}

export const vylLanguage = StreamLanguage.define({
  name: 'vyl',
  startState: () => ({ inComment: false }),
  copyState: (s) => ({ inComment: s.inComment }),
  token,
  languageData: {
    commentTokens: { line: '//', block: { open: '/*', close: '*/' } },
  },
});
