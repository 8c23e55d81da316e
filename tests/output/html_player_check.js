// Runs the SWF reader of the page template outside a browser.
// Usage: node html_player_check.js PAGE.html MOVIE.swf OUTDIR
// Writes OUTDIR/summary.json (size, rate, frames with the bitmap each shows, placement) and
// OUTDIR/bitmap-ID.jpg for every bitmap as the page hands it to the browser's decoder.
'use strict';
const fs = require('fs');
const path = require('path');

async function main() {
  const [page, moviePath, outDir] = process.argv.slice(2);
  const html = fs.readFileSync(page, 'utf8');
  const script = html.match(/<script>([\s\S]*?)<\/script>/);
  if (!script) throw new Error('no script in the page');
  // Only the reader part: everything before the player, which needs a document.
  const reader = script[1].split('// ------------------------------------------------------------------ player')[0];
  const api = new Function(reader + '\nreturn { parseSwf, joinJpegStreams };')();

  const buf = fs.readFileSync(moviePath);
  const movie = await api.parseSwf(buf.buffer.slice(buf.byteOffset, buf.byteOffset + buf.length));
  fs.mkdirSync(outDir, { recursive: true });
  for (const [id, blob] of movie.bitmaps) {
    if (blob) fs.writeFileSync(path.join(outDir, `bitmap-${id}.jpg`), Buffer.from(await blob.arrayBuffer()));
  }
  const frames = movie.frames.map(list => [...list.entries()].map(([depth, p]) => {
    const shape = movie.shapes.get(p.id);
    return { depth, id: p.id, bitmap: shape ? shape.bitmap : null,
             tx: p.matrix ? p.matrix.tx : 0, ty: p.matrix ? p.matrix.ty : 0,
             bounds: shape ? shape.bounds : null, fillScale: shape && shape.fill ? shape.fill.a : null };
  }));
  const summary = { version: movie.version, width: movie.width, height: movie.height, rate: movie.rate,
                    declaredFrames: movie.declaredFrames, background: movie.background,
                    bitmaps: [...movie.bitmaps.keys()], frames };
  fs.writeFileSync(path.join(outDir, 'summary.json'), JSON.stringify(summary));
}

main().catch(e => { console.error(e.stack || e.message); process.exit(1); });
