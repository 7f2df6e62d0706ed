// SPDX-License-Identifier: MIT
// Reference traces R1 and R2: the record shown kept with "Keep as reference", or a saved
// record (csv, sr, npz) chosen on the page or given to zarvo view --reference. Each is drawn
// behind the live traces in its own colour, on the live time axis from its own trigger point,
// in its own volts (on the scale of the live channel of the same number, so the two compare),
// with a row of figures the server computed; each is cleared on its own.
import { addUnderlay, drawTrace, timeWindow } from './screen.js';
import { FIGURE_COLUMNS } from './figures.js';
import { decode, traceOf } from './record.js';
import { on, requestDraw, say, view } from './state.js';

export const REFERENCE_COLOURS = ['#81c784', '#ce93d8'];
view.references = [null, null];  // {name, record}

function showReferences() {
  for (let k = 0; k < 2; k++) {
    const ref = view.references[k];
    document.getElementById('reference-r' + (k + 1)).textContent =
      ref ? 'R' + (k + 1) + ': ' + ref.name : '';
    document.getElementById('clear-r' + (k + 1)).hidden = !ref;
  }
  addFigureRows();
  requestDraw();
}

// Rows under the live ones in the figures table (which is written afresh for each record).
function addFigureRows() {
  const body = document.querySelector('#figures tbody');
  for (const old of body.querySelectorAll('tr.reference')) old.remove();
  view.references.forEach((ref, k) => {
    if (!ref) return;
    for (const t of ref.record.traces) {
      const tr = body.insertRow();
      tr.className = 'reference r' + (k + 1);
      tr.insertCell().textContent = 'R' + (k + 1) + ' CH' + t.channel;
      for (const [key] of FIGURE_COLUMNS) {
        tr.insertCell().textContent = t.figures[key] !== undefined ? t.figures[key] : '-';
      }
    }
  });
}
on('shown', addFigureRows);
on('math', addFigureRows);

// Keeps a record in the first free slot; false (with a sentence) when both are taken.
function keepReference(record, name) {
  const k = view.references.findIndex((r) => r === null);
  if (k < 0) {
    say('R1 and R2 both hold a reference: clear one first');
    return false;
  }
  view.references[k] = { name, record };
  say('');
  showReferences();
  return true;
}

export function keepShown() {
  const r = view.record;
  if (!r) return;
  // Its own copy of the samples: the record on screen is the page's, the reference keeps it.
  const traces = r.traces.map((t) => Object.assign({}, t, { volts: Float64Array.from(t.volts) }));
  keepReference(Object.assign({}, r, { traces }), 'record ' + r.seq);
}

async function keepFile(file) {
  // The name only tells the format and labels the reference.
  const name = file.name.replace(/[^A-Za-z0-9._-]/g, '_');
  let answer;
  try {
    const response = await fetch('/api/reference?name=' + name, {
      method: 'POST', headers: { 'Content-Type': 'application/octet-stream' },
      body: await file.arrayBuffer() });
    answer = { ok: response.ok, body: await response.json() };
  } catch (e) {
    say('the view did not answer: ' + e.message);
    return;
  }
  if (!answer.ok) {
    say(answer.body.error);
    return;
  }
  keepReference(decode(answer.body, false), answer.body.name);
}

addUnderlay((ctx, a, record) => {
  if (view.xy) return;
  const w = timeWindow(record);
  view.references.forEach((ref, k) => {
    if (!ref) return;
    for (const t of ref.record.traces) {
      const live = traceOf(record, t.channel);
      drawTrace(a, ref.record, { channel: t.channel, colour: REFERENCE_COLOURS[k], volts: t.volts,
        voltsPerDiv: live ? live.voltsPerDiv : t.voltsPerDiv }, w);
    }
  });
});

export async function buildReferences() {
  document.getElementById('keep-reference').addEventListener('click', keepShown);
  const input = document.getElementById('reference-file');
  input.addEventListener('change', async () => {
    if (input.files.length > 0) await keepFile(input.files[0]);
    input.value = '';
  });
  for (const k of [0, 1]) {
    document.getElementById('clear-r' + (k + 1)).addEventListener('click', () => {
      view.references[k] = null;
      showReferences();
    });
  }
  // Those zarvo view was started with (--reference FILE).
  const given = await (await fetch('/api/references')).json();
  for (const event of given) keepReference(decode(event, false), event.name);
  showReferences();
}
