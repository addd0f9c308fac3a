// The playground page: the editor, compilation as you type, the diagnostics,
// the disassembly beside the source, runs, downloads, examples and share
// links.  Everything a source or a program produces reaches the page as text
// (textContent, the editor's document), never as markup.
import { basicSetup, EditorView } from 'codemirror';
import { EditorState, StateEffect, StateField } from '@codemirror/state';
import { Decoration, keymap } from '@codemirror/view';
import { lintGutter, setDiagnostics } from '@codemirror/lint';
import createVylModule from 'vylweb-module';
import examples from 'vyl-examples';

import { CodeMap, disassemblyRows, statementRanges } from './code-map.js';
import { binaryToBytes, columnOffset, formatDiagnostic, Vyl } from './compiler.js';
import { Runner } from './runner.js';
import { parseFragment, shareFragment } from './share.js';
import { vylLanguage } from './vyl-language.js';

const compileDelayMs = 250;
const outputLimit = 100_000; // characters shown; laying out more holds up the page
const $ = (id) => document.getElementById(id);

// ---------------------------------------------------------------------------
// Line decorations of the editor: the lines whose code is highlighted, and
// the line where a run stopped.

const setMarkedLines = StateEffect.define();
const markedLines = StateField.define({
  create: () => ({ mapped: [], trap: null }),
  update(value, tr) {
    for (const e of tr.effects) if (e.is(setMarkedLines)) value = { ...value, ...e.value };
    return value;
  },
  provide: (field) =>
    EditorView.decorations.from(field, ({ mapped, trap }) => (view) => {
      const doc = view.state.doc;
      const marks = [];
      for (const line of mapped) {
        if (line >= 1 && line <= doc.lines) marks.push(Decoration.line({ class: 'cm-mapped-line' }).range(doc.line(line).from));
      }
      if (trap !== null && trap >= 1 && trap <= doc.lines) {
        marks.push(Decoration.line({ class: 'cm-trap-line' }).range(doc.line(trap).from));
      }
      return Decoration.set(marks, true);
    }),
});

// ---------------------------------------------------------------------------
// The page's state.

let vyl = null;
let runner = null;
let compiled = null; // the last compilation of the editor's text
let compiledText = null;
let codeMap = new CodeMap([]);
let runMap = codeMap; // the code map of the program that runs
let rowElements = []; // the disassembly rows that carry an address
let compileTimer = null;
let renewal = null; // a fresh module on its way
let hoverLine = null;
let outputNode = null;
let outputLength = 0;

// The editor lives in a shadow root, where its style sheets are adopted ones:
// the page's Content-Security-Policy allows no inline style elements.
const editorTheme = EditorView.theme({
  '&': { height: '100%', fontSize: '13px' },
  '.cm-scroller': { overflow: 'auto', fontFamily: 'ui-monospace, "DejaVu Sans Mono", monospace' },
  '.cm-mapped-line': { backgroundColor: '#fff1a8' },
  '.cm-trap-line': { backgroundColor: '#ffd6d6' },
});

const editorRoot = $('editor').attachShadow({ mode: 'open' });
const view = new EditorView({
  root: editorRoot,
  parent: editorRoot,
  state: EditorState.create({
    doc: '',
    extensions: [
      keymap.of([{ key: 'Mod-Enter', run: () => (run($('input').value), true) }]),
      basicSetup,
      editorTheme,
      vylLanguage,
      lintGutter(),
      markedLines,
      EditorView.updateListener.of((update) => {
        if (update.docChanged) scheduleCompile();
        if (update.selectionSet || update.docChanged) showSourceLine(currentLine());
      }),
      EditorView.domEventHandlers({
        mousemove(event, v) {
          const pos = v.posAtCoords({ x: event.clientX, y: event.clientY });
          const line = pos === null ? null : v.state.doc.lineAt(pos).number;
          if (line !== hoverLine) {
            hoverLine = line;
            showSourceLine(line ?? currentLine());
          }
        },
        mouseleave() {
          hoverLine = null;
          showSourceLine(currentLine());
        },
      }),
    ],
  }),
});

function currentLine() {
  return view.state.doc.lineAt(view.state.selection.main.head).number;
}

function setSource(text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text }, selection: { anchor: 0 } });
}

// ---------------------------------------------------------------------------
// Compiling.

function scheduleCompile() {
  clearTimeout(compileTimer);
  compileTimer = setTimeout(compileNow, compileDelayMs);
}

async function compileNow() {
  clearTimeout(compileTimer);
  if (!vyl) return null;
  if (vyl.stale) {
    renewal ??= vyl.renewed();
    vyl = await renewal;
    renewal = null;
    runner.vyl = vyl;
  }
  const text = view.state.doc.toString();
  if (compiled && text === compiledText) return compiled;
  const started = performance.now();
  compiled = vyl.compile(text);
  compiledText = text;
  const ms = performance.now() - started;

  $('diagnostics').textContent = compiled.diagnostics.map(formatDiagnostic).join('\n');
  view.dispatch(setDiagnostics(view.state, compiled.diagnostics.map(toEditorDiagnostic)));
  $('listing').textContent = compiled.listing;
  const status = $('compile-status');
  status.textContent = compiled.success ? `compiled in ${ms.toFixed(1)} ms` : 'failed';
  status.classList.toggle('failed', !compiled.success);
  $('run').disabled = !compiled.success;
  $('download').disabled = !compiled.success;

  const disassembly = compiled.success ? vyl.disassemble(compiled.ftx) : { error: '', text: '', statements: [] };
  codeMap = new CodeMap(statementRanges(compiled, disassembly));
  showDisassembly(disassembly.text || disassembly.error);
  showSourceLine(hoverLine ?? currentLine());
  return compiled;
}

// A diagnostic's range in the editor.  Columns count bytes of the line's
// UTF-8 text; a range without extent runs to the end of its line.
function toEditorDiagnostic(d) {
  const doc = view.state.doc;
  const line = doc.line(Math.min(Math.max(d.line, 1), doc.lines));
  const endLine = doc.line(Math.min(Math.max(d.endLine ?? d.line, line.number), doc.lines));
  const from = line.from + columnOffset(line.text, d.column);
  let to = endLine.from + columnOffset(endLine.text, d.endColumn ?? d.column);
  if (to <= from) to = line.to;
  const message = [d.message, ...(d.notes ?? [])].join('\n');
  return { from, to: Math.max(from, to), severity: d.severity === 'note' ? 'info' : d.severity, message };
}

// ---------------------------------------------------------------------------
// The disassembly and the code of each line.

function showDisassembly(text) {
  const pane = $('disassembly');
  const fragment = document.createDocumentFragment();
  rowElements = [];
  for (const row of disassemblyRows(text)) {
    const element = document.createElement('div');
    element.className = 'row';
    element.textContent = row.text;
    if (row.address !== null) {
      element.dataset.address = String(row.address);
      rowElements.push(element);
    }
    fragment.append(element);
  }
  pane.replaceChildren(fragment);
}

// Highlights the code of source line `line`.
function showSourceLine(line) {
  const ranges = line === null ? [] : codeMap.rangesOfLine(line);
  markRows(ranges);
  view.dispatch({ effects: setMarkedLines.of({ mapped: ranges.length ? [line] : [] }) });
}

// Highlights the statement whose code holds `address`, and its source lines.
function showAddress(address, scroll) {
  const range = codeMap.rangeAt(address);
  markRows(range ? [range] : []);
  const lines = [];
  if (range) for (let l = range.line; l <= (range.endLine ?? range.line); l++) lines.push(l);
  const effects = [setMarkedLines.of({ mapped: lines })];
  if (range && scroll && range.line <= view.state.doc.lines) {
    effects.push(EditorView.scrollIntoView(view.state.doc.line(range.line).from, { y: 'center' }));
  }
  view.dispatch({ effects });
}

function markRows(ranges) {
  let first = null;
  let last = null;
  for (const element of rowElements) {
    const address = Number(element.dataset.address);
    const on = ranges.some((r) => r.from <= address && address < r.to);
    element.classList.toggle('mapped', on);
    if (on) {
      first ??= element;
      last = element;
    }
  }
  if (first) reveal($('disassembly'), first, last);
}

// Scrolls `pane` so that the rows from `first` to `last` show, when they
// do not already.
function reveal(pane, first, last) {
  const top = first.offsetTop; // the pane is the rows' offset parent
  const bottom = last.offsetTop + last.offsetHeight;
  if (top >= pane.scrollTop && bottom <= pane.scrollTop + pane.clientHeight) return;
  pane.scrollTop = bottom - top <= pane.clientHeight ? top - (pane.clientHeight - (bottom - top)) / 3 : top;
}

$('disassembly').addEventListener('mouseover', (event) => {
  const row = event.target.closest('[data-address]');
  if (row) showAddress(Number(row.dataset.address), false);
});
$('disassembly').addEventListener('mouseleave', () => showSourceLine(currentLine()));
$('disassembly').addEventListener('click', (event) => {
  const row = event.target.closest('[data-address]');
  if (!row) return;
  const range = codeMap.rangeAt(Number(row.dataset.address));
  if (range && range.line <= view.state.doc.lines) {
    view.dispatch({ selection: { anchor: view.state.doc.line(range.line).from }, scrollIntoView: true });
  }
  showAddress(Number(row.dataset.address), true);
});

// ---------------------------------------------------------------------------
// Running.

// Output reaches the page in pieces; it is shown at most every 50 ms.
let pendingOutput = '';
let outputTimer = 0;

function clearOutput() {
  outputNode = document.createTextNode('');
  outputLength = 0;
  pendingOutput = '';
  clearTimeout(outputTimer);
  outputTimer = 0;
  $('output').replaceChildren(outputNode);
}

function appendOutput(text) {
  if (outputLength + pendingOutput.length >= outputLimit) return;
  pendingOutput += text;
  if (!outputTimer) outputTimer = setTimeout(flushOutput, 50);
}

function flushOutput() {
  clearTimeout(outputTimer);
  outputTimer = 0;
  const room = outputLimit - outputLength;
  const text = pendingOutput.length > room ? pendingOutput.slice(0, room) + `\n… (output cut after ${outputLimit.toLocaleString('en')} characters)` : pendingOutput;
  outputLength += Math.min(pendingOutput.length, room);
  pendingOutput = '';
  outputNode.appendData(text);
}

// The account of a stop, as vylsim gives it, with the source line of the
// page's code map.
function stopText(result, line) {
  const kind = { trap: 'trap', error: 'error', 'step limit': 'step limit reached' }[result.status];
  if (!kind || result.address === null) return result.message;
  const address = result.address.toString(16).toUpperCase().padStart(4, '0');
  const where = result.procedure ? ` (${result.procedure}${line ? `, line ${line}` : ''})` : '';
  return `${kind} at ${address}${where}: ${result.reason}`;
}

function runEnded(result) {
  flushOutput();
  $('stop').disabled = true;
  $('run').disabled = !(compiled && compiled.success);
  const status = $('run-status');
  const steps = result.steps === null ? '' : ` after ${Number(result.steps).toLocaleString('en')} steps`;
  const stoppedAt = ['trap', 'error', 'step limit'].includes(result.status);
  const line = stoppedAt && result.address !== null ? (runMap.rangeAt(result.address)?.line ?? null) : null;
  if (result.status === 'finished' || result.status === 'stopped') status.textContent = `${result.status}${steps}`;
  else status.textContent = stopText(result, line);
  status.classList.toggle('failed', !['finished', 'stopped'].includes(result.status));
  view.dispatch({ effects: setMarkedLines.of({ trap: line }) });
  if (line !== null && line <= view.state.doc.lines) {
    view.dispatch({ effects: EditorView.scrollIntoView(view.state.doc.line(line).from, { y: 'center' }) });
  }
}

async function run(input) {
  const result = await compileNow();
  if (!result || !result.success) return;
  clearOutput();
  view.dispatch({ effects: setMarkedLines.of({ trap: null }) });
  $('run-status').textContent = 'running…';
  $('run-status').classList.remove('failed');
  $('run').disabled = true;
  $('stop').disabled = false;
  const limit = Math.max(1, Math.floor(Number($('step-limit').value) || vyl.defaultStepLimit));
  runMap = codeMap;
  runner.start(result.ftx, input, limit);
}

$('run').addEventListener('click', () => run($('input').value));
$('stop').addEventListener('click', () => runner.stop());

// ---------------------------------------------------------------------------
// Download, share, examples.

$('download').addEventListener('click', async () => {
  const result = await compileNow();
  if (!result || !result.success) return;
  const url = URL.createObjectURL(new Blob([binaryToBytes(result.ftx)], { type: 'text/plain' }));
  const link = document.createElement('a');
  link.href = url;
  link.download = 'prog.ftx';
  link.click();
  setTimeout(() => URL.revokeObjectURL(url), 0);
});

$('share').addEventListener('click', async () => {
  const fragment = shareFragment(view.state.doc.toString());
  history.replaceState(null, '', fragment);
  try {
    await navigator.clipboard.writeText(location.href);
    $('compile-status').textContent = 'link copied';
  } catch {
    $('compile-status').textContent = 'link in the address bar';
  }
});

function fillExamples() {
  const select = $('examples');
  examples.forEach((example, index) => {
    const option = document.createElement('option');
    option.value = String(index);
    option.textContent = example.name;
    select.append(option);
  });
  select.addEventListener('change', () => {
    const example = examples[Number(select.value)];
    if (!example) return;
    setSource(example.source);
    compileNow();
  });
}

// Opens the program of the URL fragment, if any, and runs it when asked;
// false when there is none.
async function openFragment() {
  const { source, run: runIt } = parseFragment(location.hash);
  if (source === null) return false;
  setSource(source);
  await compileNow();
  if (runIt) await run('');
  return true;
}

// ---------------------------------------------------------------------------
// Start.

async function start() {
  fillExamples();
  clearOutput();
  $('step-limit').value = '';
  $('compile-status').textContent = 'loading the compiler…';
  try {
    vyl = await Vyl.load(createVylModule, { locateFile: (path) => new URL(path, import.meta.url).href });
  } catch (e) {
    $('compile-status').textContent = `the compiler could not be loaded: ${e}`;
    return;
  }
  $('version').textContent = `vylc ${vyl.version}`;
  $('step-limit').value = String(vyl.defaultStepLimit);
  runner = new Runner({ vyl, workerUrl: new URL('worker.js', import.meta.url), onOutput: appendOutput, onEnd: runEnded });
  window.addEventListener('hashchange', openFragment);
  if (!(await openFragment())) {
    const hello = Math.max(0, examples.findIndex((e) => e.name === 'examples/hello.vyl'));
    if (examples[hello]) {
      setSource(examples[hello].source);
      $('examples').value = String(hello);
    }
    await compileNow();
    if (/[#&]src=/.test(location.hash)) $('compile-status').textContent = 'the link holds no readable source';
  }
}

start();
