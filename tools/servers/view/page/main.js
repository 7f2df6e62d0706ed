// SPDX-License-Identifier: MIT
// The live view's page: draws the records the server pushes and sends the settings the user
// changes. This module starts the others and puts each record on screen, one per animation
// frame; the rest of the page lives in one module per concern.
import { emit, keep, receiveState, refreshState, requestDraw, setFrame, view } from './state.js';
import { drawScreen } from './screen.js';
import { buildControls } from './controls.js';
import { buildKnobs } from './knobs.js';
import { buildCursors } from './cursors.js';
import { buildZoom, followRecord, timeText } from './zoom.js';
import { buildSpectrum, drawSpectrum } from './spectrum.js';
import { buildHistory } from './history.js';
import { buildFigures } from './figures.js';
import { buildSave } from './save.js';
import { buildXYMath } from './xymath.js';
import { buildKeys } from './keys.js';
import { buildDecode } from './decode.js';
import { buildPersistence } from './persistence.js';
import { buildReferences } from './reference.js';
import { decode } from './record.js';
import { buildStatistics } from './statistics.js';
import { buildAverage } from './average.js';
import { buildTrend } from './trend.js';

function frame() {
  const record = view.pending;
  view.pending = null;
  if (record) {
    followRecord(record);
    view.record = record;
  }
  if (!view.record) return;
  const start = performance.now();
  drawScreen(view.record, timeText(view.record));
  const end = performance.now();
  if (!record) return;
  keep(view.drawMs, end - start);
  if (record.live) keep(view.latencies, performance.timeOrigin + end - record.readoutMs);
  emit('shown', record);
}
setFrame(frame);

// A synthetic two-channel record of n samples drawn `repeats` times with what the page has
// switched on (math, cursors, a zoom, and the spectrum with n/2 + 1 bins per channel): the
// drawing's cost, for the benchmark. Returns the milliseconds of each drawing.
view.timeDrawing = (n, repeats) => {
  const make = (phase) => {
    const volts = new Float64Array(n);
    for (let i = 0; i < n; i++) volts[i] = Math.sin((2 * Math.PI * 50 * i) / n + phase);
    return { range: 2, voltsPerDiv: 0.5, perDivLabel: '500 mV/div', figures: {}, volts };
  };
  const traces = [Object.assign(make(0), { channel: 1 }), Object.assign(make(1), { channel: 2 })];
  const bins = Math.floor(n / 2) + 1;
  const dBV = (k0) => Float64Array.from({ length: bins }, (_, k) => -120 + 100 / (1 + Math.abs(k - k0)));
  const spectrum = { seq: 0, rate: 1e6, window: 'hann', binHz: 1e6 / n,
    channels: [1, 2].map((channel) => ({ channel, dBV: dBV(50),
      peak: { hz: 50e6 / n, dBV: -20, text: 'peak: ' + (50e6 / n).toFixed(0) + ' Hz, -20 dBV' } })) };
  const times = [];
  const canvases = [...document.querySelectorAll('canvas')];
  for (let r = 0; r < repeats; r++) {
    // A fresh record each time, as a new one would come: the math trace is computed again.
    const record = { seq: 0, rate: 1e6, pre: 0, length: n, timePerDiv: n / 1e6 / 10,
      timeLabel: '', rateLabel: '', forced: false, live: false,
      trigger: { source: 'ch1', slope: 'rising', level: 0 }, traces };
    const start = performance.now();
    drawScreen(record, timeText(record));
    if (view.spectrum.on) drawSpectrum(spectrum);
    // Waits until the canvases have really drawn.
    for (const c of canvases) c.getContext('2d').getImageData(0, 0, 1, 1);
    times.push(performance.now() - start);
  }
  if (view.record) drawScreen(view.record, timeText(view.record));
  if (view.spectrum.data) drawSpectrum(view.spectrum.data);
  return times;
};

async function start() {
  view.table = await (await fetch('/api/table')).json();
  buildControls();
  buildKnobs();
  buildFigures();
  buildSave();
  buildCursors();
  buildZoom();
  buildSpectrum();
  buildHistory();
  buildXYMath();
  buildKeys();
  buildDecode();
  buildPersistence();
  await buildReferences();
  buildStatistics();
  buildAverage();
  buildTrend();
  await refreshState();
  const events = new EventSource('/api/events');
  events.addEventListener('state', (e) => receiveState(JSON.parse(e.data)));
  events.addEventListener('record', (e) => {
    const record = decode(JSON.parse(e.data), true);
    view.received++;
    view.lastSeq = record.seq;
    if (record.kept) view.kept = record.kept;
    view.pending = record;
    requestDraw();
  });
  // A view that started again counts its states from the beginning.
  events.onopen = () => {
    if (view.state) view.state.version = -1;
  };
  events.onerror = () => {
    document.getElementById('status').textContent = 'the connection to zarvo view is lost';
  };
}
start();
