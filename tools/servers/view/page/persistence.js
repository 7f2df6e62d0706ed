// SPDX-License-Identifier: MIT
// Persistence: the last N records drawn behind the newest, the older ones fainter, so that an
// event that comes one record in fifty stays on the screen; "infinite" keeps, until Clear, each
// sample's lowest and highest volts over every record since. Zoom and pan apply to all of
// them: they are drawn through the newest record's time window. A record taken with another
// time base or range starts the persistence afresh.
import { addUnderlay, drawTrace, timeWindow } from './screen.js';
import { on, requestDraw, view } from './state.js';

export const MOST_RECORDS = 100;  // the records the server keeps for stepping back
// count: the records drawn behind the newest, or in the infinite band.
view.persistence = { mode: 'off', records: [], envelope: null, count: 0, setup: '' };

const p = view.persistence;

// The time base and ranges a record was taken with: records persist while it stays.
const setupOf = (r) => [r.rate, r.length, r.pre, ...r.traces.map((t) => t.channel + ':' + t.range)].join(' ');

export function clearPersistence() {
  p.records = [];
  p.envelope = null;
  p.count = 0;
  p.setup = '';
  showCount();
}

function showCount() {
  const text = document.getElementById('persistence-text');
  if (!text) return;
  text.textContent = p.mode === 'off' ? '' : p.count + (p.count === 1 ? ' record' : ' records');
}

function addToEnvelope(record) {
  const e = p.envelope;
  for (const t of record.traces) {
    let band = e.traces.find((b) => b.channel === t.channel);
    if (!band) {
      band = { channel: t.channel, voltsPerDiv: t.voltsPerDiv, low: Float64Array.from(t.volts),
        high: Float64Array.from(t.volts) };
      e.traces.push(band);
      continue;
    }
    const v = t.volts;
    for (let i = 0; i < v.length; i++) {
      if (v[i] < band.low[i]) band.low[i] = v[i];
      if (v[i] > band.high[i]) band.high[i] = v[i];
    }
  }
}

function keep(record) {
  if (p.mode === 'off' || !record.live) return;
  const setup = setupOf(record);
  if (setup !== p.setup) clearPersistence();
  p.setup = setup;
  if (p.mode === 'infinite') {
    if (!p.envelope) p.envelope = { rate: record.rate, pre: record.pre, traces: [] };
    addToEnvelope(record);
    p.count++;
  } else {
    p.records.push(record);
    while (p.records.length > p.mode) p.records.shift();
    p.count = p.records.length;
  }
  showCount();
}
on('shown', keep);

addUnderlay((ctx, a, record) => {
  if (p.mode === 'off' || view.xy) return;
  const w = timeWindow(record);
  ctx.save();
  if (p.mode === 'infinite' && p.envelope) {
    ctx.globalAlpha = 0.45;
    for (const b of p.envelope.traces) {
      drawTrace(a, p.envelope, { channel: b.channel, voltsPerDiv: b.voltsPerDiv, volts: b.low }, w);
      drawTrace(a, p.envelope, { channel: b.channel, voltsPerDiv: b.voltsPerDiv, volts: b.high }, w);
    }
  }
  // Oldest first, each a little brighter than the one before; the newest is the live trace.
  const older = p.records.filter((r) => r !== record);
  older.forEach((r, i) => {
    ctx.globalAlpha = 0.08 + (0.5 * (i + 1)) / older.length;
    for (const t of r.traces) drawTrace(a, r, t, w);
  });
  ctx.restore();
});

export function buildPersistence() {
  const select = document.getElementById('persistence');
  select.addEventListener('change', () => {
    const value = select.value;
    p.mode = value === 'off' || value === 'infinite' ? value : Number(value);
    clearPersistence();
    requestDraw();
  });
  document.getElementById('persistence-clear').addEventListener('click', () => {
    clearPersistence();
    requestDraw();
  });
}
