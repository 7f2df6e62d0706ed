// SPDX-License-Identifier: MIT
// The frames the server decoded from the record shown: a row of labelled boxes under the
// traces at their times (page text, following zoom and pan), a table of the frames beside the
// figures whose rows zoom to their frame, and the frames CSV in the Save row. The frames come
// with the record; a change of the Decode settings fetches the record shown again to decode it
// anew.
import { addOverlay, canvas, timeToX, timeWindow } from './screen.js';
import { on, requestDraw, si, view } from './state.js';
import { zoomTo } from './zoom.js';
import { decode as fromEvent } from './record.js';

let row;
let table;
let note;
let link;
let shownFrames = null;  // the frames whose table is written
let spec = '';

const boxTitle = (f) => si(f.start, 's') + ': ' + f.text;

// The boxes of the frames within the window, placed over the plot's width in the page's
// pixels; a box narrower than its text shows a dot until zoomed in.
function placeBoxes(ctx, area, record) {
  const frames = record.decode ? record.decode.frames : [];
  row.hidden = !record.decode;
  if (!record.decode) {
    row.replaceChildren();
    return;
  }
  const w = timeWindow(record);
  const scale = canvas.clientWidth / canvas.width;
  // The row spans the screen box; the canvas may sit inset in it.
  const inset = canvas.offsetLeft - row.offsetLeft + canvas.clientLeft;
  const boxes = [];
  for (let i = 0; i < frames.length; i++) {
    const f = frames[i];
    if (f.end < w.from || f.start > w.to) continue;
    const x0 = Math.max(area.x, timeToX(record, area, f.start));
    const x1 = Math.min(area.x + area.w, timeToX(record, area, Math.max(f.end, f.start)));
    const box = document.createElement('span');
    box.className = 'frame frame-' + f.kind + (f.error ? ' frame-error' : '');
    box.textContent = f.label;
    box.title = boxTitle(f);
    box.dataset.index = String(i);
    box.style.left = inset + x0 * scale + 'px';
    box.style.minWidth = Math.max(2, (x1 - x0) * scale) + 'px';
    boxes.push(box);
  }
  row.replaceChildren(...boxes);
}

function writeTable(record) {
  const d = record.decode;
  table.hidden = !d;
  note.textContent = d && d.frames.length === 0 ? 'decode: ' + d.message : '';
  link.hidden = !d;
  if (d) link.href = '/api/frames.csv?seq=' + record.seq;
  if (!d || shownFrames === d.frames) return;
  shownFrames = d.frames;
  const body = table.tBodies[0];
  const rows = d.frames.map((f, i) => {
    const tr = document.createElement('tr');
    tr.tabIndex = 0;
    tr.dataset.index = String(i);
    if (f.error) tr.className = 'frame-error';
    for (const text of [si(f.start, 's', 6), f.text, f.error || '']) {
      const td = document.createElement('td');
      td.textContent = text;
      tr.append(td);
    }
    return tr;
  });
  body.replaceChildren(...rows);
}

// The frame and a frame's width either side of it fill the screen.
function zoomToFrame(index) {
  const record = view.record;
  if (!record || !record.decode) return;
  const f = record.decode.frames[index];
  if (!f) return;
  const span = Math.max(f.end - f.start, 10 / record.rate);
  zoomTo(f.start - span, f.end + span);
}

// The record shown again from the server, decoded with the settings now in force.
async function decodeAgain() {
  const record = view.record;
  if (!record) return;
  const answer = await fetch('/api/record.json?seq=' + record.seq);
  if (!answer.ok || view.record !== record) return;
  view.pending = fromEvent(await answer.json(), false);
  requestDraw();
}

export function buildDecode() {
  row = document.createElement('div');
  row.id = 'frames-row';
  row.hidden = true;
  row.setAttribute('aria-label', 'decoded frames');
  canvas.after(row);
  table = document.getElementById('frames');
  note = document.getElementById('decode-note');
  link = document.createElement('a');
  link.id = 'save-frames';
  link.download = '';
  link.textContent = 'frames';
  link.title = 'the decoded frames as CSV: time_s, bus, kind, value, error (the record shown)';
  link.hidden = true;
  document.getElementById('save').append(link);
  const choose = (e) => {
    const at = e.target.closest('[data-index]');
    if (at) zoomToFrame(Number(at.dataset.index));
  };
  table.addEventListener('click', choose);
  table.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') choose(e);
  });
  row.addEventListener('click', choose);
  addOverlay(placeBoxes);
  on('shown', writeTable);
  on('state', (state) => {
    const now = JSON.stringify(Object.entries(state.settings).filter(([k]) => k.startsWith('decode.')));
    if (now === spec) return;
    const first = spec === '';
    spec = now;
    if (!first) decodeAgain();
  });
}
