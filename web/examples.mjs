// The example programs: every examples/*.vyl and every ```vyl block of
// docs/*.md, each named after its file and the heading it stands under.
import fs from 'node:fs';
import path from 'node:path';

function vylBlocks(markdown) {
  const blocks = [];
  let heading = '';
  let block = null;
  for (const line of markdown.split('\n')) {
    if (block !== null) {
      if (line.startsWith('```')) {
        blocks.push({ heading, source: block.join('\n') + '\n' });
        block = null;
      } else {
        block.push(line);
      }
    } else if (line === '```vyl') {
      block = [];
    } else if (/^#+ /.test(line)) {
      heading = line.replace(/^#+ /, '');
    }
  }
  return blocks;
}

export function collectExamples(root) {
  const examples = [];
  const sorted = (dir, ext) => fs.readdirSync(dir).filter((f) => f.endsWith(ext)).sort();
  for (const file of sorted(path.join(root, 'examples'), '.vyl')) {
    examples.push({ name: `examples/${file}`, source: fs.readFileSync(path.join(root, 'examples', file), 'utf8') });
  }
  for (const file of sorted(path.join(root, 'docs'), '.md')) {
    const seen = new Map();
    for (const { heading, source } of vylBlocks(fs.readFileSync(path.join(root, 'docs', file), 'utf8'))) {
      const n = (seen.get(heading) ?? 0) + 1;
      seen.set(heading, n);
      examples.push({ name: `docs/${file}: ${heading}${n > 1 ? ` (${n})` : ''}`, source });
    }
  }
  return examples;
}
