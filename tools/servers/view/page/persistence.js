// SPDX-License-Identifier: MIT
// Persistence: the last N records drawn behind the newest, the older ones fainter, so that an
// event that comes one record in fifty stays on the screen; "infinite" keeps, until Clear, each
// sample's lowest and highest volts over every record since. Zoom and pan apply to all of
// them: they are drawn through the newest record's time window. A record taken with another
// time base or range starts the persistence afresh.
import { DIVY, addUnderlay, timeWindow } from './screen.js';
import { COLOURS, on, requestDraw, view } from './state.js';

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

// ---- Drawing. Every record behind the newest is marked, column by column from its lowest to
// its highest volts there, into one brightness per pixel and channel (the brighter record
// wins a pixel), and the picture goes onto the screen in one image: the cost follows the
// screen's pixels and the samples, not the number of drawing calls.

let layer = null;

function layerFor(a) {
  if (!layer || layer.w !== a.w || layer.h !== a.h) {
    const canvas = document.createElement('canvas');
    canvas.width = a.w;
    canvas.height = a.h;
    const context = canvas.getContext('2d');
    layer = { canvas, context, w: a.w, h: a.h, image: context.createImageData(a.w, a.h),
      strength: { 1: new Float32Array(a.w * a.h), 2: new Float32Array(a.w * a.h) } };
  } else {
    layer.strength[1].fill(0);
    layer.strength[2].fill(0);
  }
  return layer;
}

// The volts at fractional sample index s, joining the samples either side.
function at(volts, s) {
  const n = volts.length;
  const i = Math.floor(s);
  if (i < 0) return volts[0];
  if (i >= n - 1) return volts[n - 1];
  return volts[i] + (volts[i + 1] - volts[i]) * (s - i);
}

// Marks a trace (low = high) or a band between two traces in a channel's brightness.
function mark(strength, low, high, map, value) {
  const { w, h } = layer;
  const n = low.length;
  const { px, offset, mid, yPerVolt } = map;
  const first = Math.max(0, Math.floor(offset));
  const last = Math.min(w - 1, Math.ceil(offset + (n - 1) * px));
  for (let c = first; c <= last; c++) {
    const s0 = (c - offset) / px;
    const s1 = (c + 1 - offset) / px;
    let lo = Math.min(at(low, s0), at(low, s1));
    let hi = Math.max(at(high, s0), at(high, s1));
    const end = Math.min(n - 1, Math.floor(s1));
    for (let i = Math.max(0, Math.ceil(s0)); i <= end; i++) {
      if (low[i] < lo) lo = low[i];
      if (high[i] > hi) hi = high[i];
    }
    const top = Math.max(0, Math.round(mid - hi * yPerVolt));
    const bottom = Math.min(h - 1, Math.round(mid - lo * yPerVolt));
    for (let y = top, k = top * w + c; y <= bottom; y++, k += w) {
      if (strength[k] < value) strength[k] = value;
    }
  }
}

const rgb = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));

function paint(ctx, a) {
  const pixels = new Uint32Array(layer.image.data.buffer);
  const one = layer.strength[1];
  const two = layer.strength[2];
  const [r1, g1, b1] = rgb(COLOURS[1]);
  const [r2, g2, b2] = rgb(COLOURS[2]);
  for (let k = 0; k < pixels.length; k++) {
    const s1 = one[k];
    const s2 = two[k];
    if (s1 === 0 && s2 === 0) {
      pixels[k] = 0;
    } else if (s1 >= s2) {
      pixels[k] = (((s1 * 255) << 24) | (b1 << 16) | (g1 << 8) | r1) >>> 0;
    } else {
      pixels[k] = (((s2 * 255) << 24) | (b2 << 16) | (g2 << 8) | r2) >>> 0;
    }
  }
  layer.context.putImageData(layer.image, 0, 0);
  ctx.drawImage(layer.canvas, a.x, a.y);
}

addUnderlay((ctx, a, record) => {
  if (p.mode === 'off' || view.xy) return;
  const older = p.records.filter((r) => r !== record);
  if (older.length === 0 && !(p.mode === 'infinite' && p.envelope)) return;
  const w = timeWindow(record);
  layerFor(a);
  // Every record kept has the same time base and ranges: one mapping for each channel, on the
  // scale of the record shown.
  const mapOf = (r, t) => {
    const live = record.traces.find((l) => l.channel === t.channel);
    const px = a.w / ((w.to - w.from) * r.rate);
    return { px, offset: ((-r.pre / r.rate - w.from) / (w.to - w.from)) * a.w, mid: a.h / 2,
      yPerVolt: a.h / (DIVY * (live ? live.voltsPerDiv : t.voltsPerDiv)) };
  };
  if (p.mode === 'infinite' && p.envelope) {
    for (const b of p.envelope.traces) {
      if (layer.strength[b.channel]) mark(layer.strength[b.channel], b.low, b.high, mapOf(p.envelope, b), 0.45);
    }
  }
  // Oldest first, each a little brighter than the one before; the newest is the live trace.
  older.forEach((r, i) => {
    const value = 0.1 + (0.5 * (i + 1)) / older.length;
    for (const t of r.traces) {
      if (layer.strength[t.channel]) mark(layer.strength[t.channel], t.volts, t.volts, mapOf(r, t), value);
    }
  });
  paint(ctx, a);
});

export function buildPersistence() {
  const select = document.getElementById('persistence');
  // Any count from 2 to the hundred the history keeps, between "off" and "infinite".
  const infinite = select.options[select.options.length - 1];
  for (let n = 2; n <= MOST_RECORDS; n++) select.add(new Option(n + ' records', String(n)), infinite);
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
