// The live view's page: draws the records the server pushes and sends the settings the user
// changes. The controls are built from the server's table of settings; every value shown is
// the one the instrument took, as the server read it back.
'use strict';

const view = {
  table: [],
  state: null,
  record: null,    // the record on screen: traces with volts as Float64Array
  pending: null,   // the newest record received, drawn at the next frame
  received: 0,
  firstSeq: 0,
  lastSeq: 0,
  latencies: [],   // ms from the end of the readout to the record drawn, the last 2000
  drawMs: [],      // ms spent drawing, the last 2000
};
window.zarvoView = view;

const COLOURS = { 1: '#ffd54f', 2: '#4fc3f7' };
const GRID = '#3a3a3a';
const DIVX = 10;
const DIVY = 8;
const canvas = document.getElementById('screen');
const ctx = canvas.getContext('2d');

function keep(list, value) {
  list.push(value);
  if (list.length > 2000) list.shift();
}

function showError(text) {
  document.getElementById('error').textContent = text || '';
}

async function send(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  });
  const answer = await response.json();
  if (response.ok) {
    showError('');
    applyState(answer);
  } else {
    showError(answer.error + (answer.status ? ' (' + answer.status + ')' : ''));
    refreshState();
  }
  return { status: response.status, body: answer };
}
view.set = (key, value) => send('/api/settings', { [key]: value });
view.restart = () => send('/api/restart', {});

async function refreshState() {
  const response = await fetch('/api/state');
  applyState(await response.json());
}

// ---- Controls, one per row of the settings table.

function group(key) {
  if (key.startsWith('ch1.')) return 'Channel 1';
  if (key.startsWith('ch2.')) return 'Channel 2';
  if (key.startsWith('trigger.')) return 'Trigger';
  if (key === 'generator') return 'Generator';
  return 'Time base';
}

function makeControl(row) {
  let input;
  if (row.kind === 'boolean') {
    input = document.createElement('input');
    input.type = 'checkbox';
  } else if (row.kind === 'choice' || row.key.endsWith('.range')) {
    input = document.createElement('select');
    for (const choice of row.choices || []) input.add(new Option(choice, choice));
  } else {
    input = document.createElement('input');
    input.type = 'number';
    input.step = 'any';
    input.min = row.min;
    input.max = row.max;
  }
  input.id = 'set-' + row.key;
  input.dataset.key = row.key;
  input.title = row.applies + ' / ' + row.reads;
  input.addEventListener('change', () => {
    let value;
    if (row.kind === 'boolean') value = input.checked;
    else if (row.kind === 'choice') value = input.value;
    else value = Number(input.value);
    view.set(row.key, value);
  });
  return input;
}

function buildControls() {
  const form = document.getElementById('controls');
  let heading = '';
  for (const row of view.table) {
    if (row.key === 'acquire') continue;
    if (group(row.key) !== heading) {
      heading = group(row.key);
      const h = document.createElement('h2');
      h.textContent = heading;
      form.append(h);
    }
    const label = document.createElement('label');
    label.htmlFor = 'set-' + row.key;
    label.textContent = row.label + (row.unit ? ' (' + row.unit + ')' : '');
    form.append(label, makeControl(row));
  }
}

function applyState(state) {
  // An answer to a request can arrive after an event that is newer than it.
  if (view.state && state.version < view.state.version) return;
  view.state = state;
  const status = state.status || {};
  for (const row of view.table) {
    const input = document.getElementById('set-' + row.key);
    if (!input) continue;
    const value = state.settings[row.key];
    if (row.key.endsWith('.range') && input.options.length === 0) {
      for (const r of status.ranges || []) input.add(new Option(r + ' V', String(r)));
    }
    if (input === document.activeElement && input.type === 'number') continue;
    if (row.kind === 'boolean') input.checked = !!value;
    else if (value === null || value === undefined) input.value = '';
    else input.value = String(value);
  }
  for (const b of document.querySelectorAll('[data-acquire]')) {
    b.classList.toggle('active', b.dataset.acquire === state.settings.acquire);
  }
  const line = document.getElementById('status');
  const error = status.error ? status.error.text + (status.error.status ? ' (' + status.error.status + ')' : '') : '';
  if (status.found && !status.lost) {
    line.textContent = 'instrument found, serial number ' + status.serial + '; ' +
      (state.settings.acquire === 'stop' ? 'stopped' : 'acquiring') +
      (error ? '; last error: ' + error : '');
  } else {
    line.textContent = error || 'no instrument found ' + (status.where || '');
  }
  line.classList.toggle('bad', !status.found || !!status.lost);
}

// ---- Drawing.

function decode(event) {
  const traces = event.traces.map((t) => {
    const scale = t.range / 32768;
    const volts = new Float64Array(t.codes.length);
    for (let i = 0; i < volts.length; i++) volts[i] = t.codes[i] * scale;
    return { channel: t.channel, range: t.range, voltsPerDiv: t.voltsPerDiv,
      perDivLabel: t.perDivLabel, figures: t.figures, volts };
  });
  return Object.assign({}, event, { traces });
}

const MARGIN = { left: 10, right: 16, top: 10, bottom: 46 };

function plotArea() {
  return { x: MARGIN.left, y: MARGIN.top, w: canvas.width - MARGIN.left - MARGIN.right,
    h: canvas.height - MARGIN.top - MARGIN.bottom };
}

function drawGraticule(a) {
  ctx.strokeStyle = GRID;
  ctx.lineWidth = 1;
  ctx.beginPath();
  for (let i = 0; i <= DIVX; i++) {
    const x = Math.round(a.x + (a.w * i) / DIVX) + 0.5;
    ctx.moveTo(x, a.y);
    ctx.lineTo(x, a.y + a.h);
  }
  for (let i = 0; i <= DIVY; i++) {
    const y = Math.round(a.y + (a.h * i) / DIVY) + 0.5;
    ctx.moveTo(a.x, y);
    ctx.lineTo(a.x + a.w, y);
  }
  ctx.stroke();
  ctx.strokeStyle = '#666';
  ctx.beginPath();
  ctx.moveTo(a.x, a.y + a.h / 2 + 0.5);
  ctx.lineTo(a.x + a.w, a.y + a.h / 2 + 0.5);
  ctx.stroke();
}

// One trace with the minimum and maximum of every pixel column, so the cost follows the
// screen's width once the record has more samples than the screen has columns.
function drawTrace(a, record, trace) {
  const volts = trace.volts;
  const n = volts.length;
  if (n === 0 || !(record.rate > 0)) return;
  const pxPerSample = a.w / (record.rate * DIVX * record.timePerDiv);
  const yPerVolt = a.h / (DIVY * trace.voltsPerDiv);
  const mid = a.y + a.h / 2;
  const top = a.y;
  const bottom = a.y + a.h;
  const clampY = (v) => Math.min(bottom, Math.max(top, mid - v * yPerVolt));
  ctx.strokeStyle = COLOURS[trace.channel];
  ctx.lineWidth = 1.2;
  ctx.beginPath();
  if (pxPerSample >= 1) {
    for (let i = 0; i < n; i++) {
      const x = a.x + i * pxPerSample;
      if (i === 0) ctx.moveTo(x, clampY(volts[i]));
      else ctx.lineTo(x, clampY(volts[i]));
    }
    ctx.stroke();
    return;
  }
  // One filled pixel column per screen column, from its lowest to its highest sample and
  // reaching back to the last sample of the column before, so that the trace stays joined.
  ctx.fillStyle = COLOURS[trace.channel];
  let column = 0;
  let lo = volts[0];
  let hi = volts[0];
  for (let i = 1; i <= n; i++) {
    const c = i < n ? Math.floor(i * pxPerSample) : -1;
    if (c !== column) {
      const yTop = Math.round(clampY(hi));
      const yBottom = Math.round(clampY(lo));
      ctx.fillRect(a.x + column, yTop, 1, yBottom - yTop + 1);
      if (i === n) break;
      column = c;
      lo = Math.min(volts[i - 1], volts[i]);
      hi = Math.max(volts[i - 1], volts[i]);
    } else {
      const v = volts[i];
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
}

function drawMarkers(a, record) {
  // The trigger point, and the level on the trigger channel's scale.
  const tx = a.x + (record.pre / record.rate / (DIVX * record.timePerDiv)) * a.w;
  ctx.fillStyle = '#ff7043';
  ctx.beginPath();
  ctx.moveTo(tx - 6, a.y);
  ctx.lineTo(tx + 6, a.y);
  ctx.lineTo(tx, a.y + 9);
  ctx.fill();
  const source = record.trigger.source;
  const channel = source === 'ch2' ? 2 : 1;
  const trace = record.traces.find((t) => t.channel === channel);
  if (trace && record.trigger.level !== null && source !== 'none' && source !== 'ext') {
    const y = a.y + a.h / 2 - (record.trigger.level * a.h) / (DIVY * trace.voltsPerDiv);
    if (y >= a.y && y <= a.y + a.h) {
      ctx.beginPath();
      ctx.moveTo(a.x + a.w + 1, y);
      ctx.lineTo(a.x + a.w + 12, y - 6);
      ctx.lineTo(a.x + a.w + 12, y + 6);
      ctx.fill();
    }
  }
}

function drawLabels(a, record) {
  ctx.font = '13px system-ui, sans-serif';
  ctx.textBaseline = 'top';
  let x = a.x;
  const y = a.y + a.h + 8;
  for (const t of record.traces) {
    ctx.fillStyle = COLOURS[t.channel];
    const text = 'CH' + t.channel + ' ' + t.perDivLabel;
    ctx.fillText(text, x, y);
    x += ctx.measureText(text).width + 24;
  }
  ctx.fillStyle = '#e6e6e6';
  const time = record.timeLabel;
  ctx.fillText(time, x, y);
  x += ctx.measureText(time).width + 24;
  const trig = record.trigger;
  ctx.fillStyle = '#ff7043';
  const trigText = 'trig ' + trig.source + ' ' + (trig.slope === 'falling' ? '\u2193' : '\u2191') +
    (record.forced ? ' (forced)' : '');
  ctx.fillText(trigText, x, y);
  ctx.fillStyle = '#aaa';
  ctx.fillText(record.rateLabel + ', ' + record.length + ' samples, record ' + record.seq, a.x, y + 18);
}

function drawScreen(record) {
  ctx.fillStyle = '#000';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  const a = plotArea();
  drawGraticule(a);
  for (const trace of record.traces) drawTrace(a, record, trace);
  drawMarkers(a, record);
  drawLabels(a, record);
}
view.drawScreen = drawScreen;

function showFigures(record) {
  const body = document.querySelector('#figures tbody');
  body.replaceChildren();
  for (const t of record.traces) {
    const row = body.insertRow();
    row.className = 'ch' + t.channel;
    row.insertCell().textContent = 'CH' + t.channel;
    for (const k of ['min', 'max', 'mean', 'pp', 'rms', 'freq']) {
      row.insertCell().textContent = t.figures[k];
    }
  }
  document.getElementById('save-csv').href = '/api/record.csv?seq=' + record.seq;
  document.getElementById('save-svg').href = '/api/record.svg?seq=' + record.seq;
}

function frame() {
  const record = view.pending;
  view.pending = null;
  if (!record) return;
  const start = performance.now();
  drawScreen(record);
  const end = performance.now();
  view.record = record;
  keep(view.drawMs, end - start);
  keep(view.latencies, performance.timeOrigin + end - record.readoutMs);
  showFigures(record);
}

// A synthetic record of n samples on both channels, for timing the drawing.
view.timeDrawing = (n, repeats) => {
  const make = (phase) => {
    const volts = new Float64Array(n);
    for (let i = 0; i < n; i++) volts[i] = Math.sin((2 * Math.PI * 50 * i) / n + phase);
    return { channel: 0, range: 2, voltsPerDiv: 0.5, perDivLabel: '500 mV/div', volts };
  };
  const record = { seq: 0, rate: 1e6, pre: 0, length: n, timePerDiv: n / 1e6 / 10,
    timeLabel: '', rateLabel: '', forced: false,
    trigger: { source: 'ch1', slope: 'rising', level: 0 },
    traces: [Object.assign(make(0), { channel: 1 }), Object.assign(make(1), { channel: 2 })] };
  const times = [];
  for (let r = 0; r < repeats; r++) {
    const start = performance.now();
    drawScreen(record);
    ctx.getImageData(0, 0, 1, 1);  // waits until the canvas has really drawn
    times.push(performance.now() - start);
  }
  return times;
};

// ---- Start.

async function start() {
  view.table = await (await fetch('/api/table')).json();
  buildControls();
  await refreshState();
  for (const b of document.querySelectorAll('[data-acquire]')) {
    b.addEventListener('click', () => view.set('acquire', b.dataset.acquire));
  }
  document.getElementById('restart').addEventListener('click', () => view.restart());
  const events = new EventSource('/api/events');
  events.addEventListener('state', (e) => applyState(JSON.parse(e.data)));
  events.addEventListener('record', (e) => {
    const record = decode(JSON.parse(e.data));
    if (view.received === 0) view.firstSeq = record.seq;
    view.received++;
    view.lastSeq = record.seq;
    if (!view.pending) requestAnimationFrame(frame);
    view.pending = record;
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
