// SPDX-License-Identifier: MIT
// Shared by the page's modules: the view's state (also window.zarvoView, which the browser
// tests and the benchmark read), the requests to the server, numbers written and read the way
// the server writes its figures, and the notices one module gives the others.

export const view = {
  table: [],        // the server's settings table
  state: null,      // the last state the server sent: settings as the instrument took them
  record: null,     // the record on screen: traces with volts as Float64Array
  pending: null,    // the record to put on screen at the next frame
  received: 0,      // live records received
  lastSeq: 0,
  kept: [0, 0],     // the records the server keeps, first and last sequence number
  latencies: [],    // ms from the end of the readout to the record drawn, the last 2000
  drawMs: [],       // ms spent drawing, the last 2000
  zoom: null,       // the time window shown, {from, to} in s from the trigger; null: all of it
  cursors: { on: false, channel: 1, t1: 0, t2: 0, v1: 0, v2: 0 },
  math: 'off',      // off, diff (ch1 - ch2) or sum (ch1 + ch2)
  xy: false,
  spectrum: { on: false, window: 'hann', log: false, data: null, count: 0 },  // count: drawn
  dragLevel: null,  // the trigger level while its marker is dragged
  instrumentOff: '', // why the instrument's controls are disabled ('' while they work)
};
window.zarvoView = view;

export const COLOURS = { 1: '#ffd54f', 2: '#4fc3f7', math: '#f06292' };
export const MATH_NAMES = { diff: 'CH1 \u2212 CH2', sum: 'CH1 + CH2' };

// ---- Notices between modules: 'state' (a new state), 'shown' (a new record on screen),
// 'auto' (the auto set-up's sentence).

const listeners = {};
export function on(name, fn) {
  (listeners[name] ||= []).push(fn);
}
export function emit(name, ...args) {
  for (const fn of listeners[name] || []) fn(...args);
}

// One drawing per animation frame, whoever asks for it.
let frameFn = () => {};
let frameAsked = false;
export function setFrame(fn) {
  frameFn = fn;
}
export function requestDraw() {
  if (frameAsked) return;
  frameAsked = true;
  requestAnimationFrame(() => {
    frameAsked = false;
    frameFn();
  });
}

export function keep(list, value) {
  list.push(value);
  if (list.length > 2000) list.shift();
}

// The sentence under the screen: why something was refused ('' clears it).
export function say(text) {
  document.getElementById('error').textContent = text || '';
}

// ---- The server.

export function receiveState(state) {
  // An answer to a request can arrive after an event that is newer than it.
  if (view.state && state.version < view.state.version) return;
  view.state = state;
  const kept = state.status && state.status.kept;
  if (kept) view.kept = kept;
  emit('state', state);
}

export async function refreshState() {
  const response = await fetch('/api/state');
  receiveState(await response.json());
}

// Posts a JSON body; an answer with settings becomes the state, a refusal is said on the page.
export async function post(path, body) {
  let response;
  let answer;
  try {
    response = await fetch(path, {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(body),
    });
    answer = await response.json();
  } catch (e) {
    say('the view did not answer: ' + e.message);
    return { status: 0, body: {} };
  }
  if (response.ok) {
    say('');
    if (answer.settings) receiveState(answer);
  } else {
    say(answer.error + (answer.status ? ' (' + answer.status + ')' : ''));
    refreshState();
  }
  return { status: response.status, body: answer };
}
view.set = (key, value) => post('/api/settings', { [key]: value });
view.restart = () => post('/api/restart', {});

// ---- Numbers as text.

const PREFIXES = { p: -12, n: -9, u: -6, '\u00b5': -6, m: -3, k: 3, M: 6, G: 9 };
const PREFIX_OF = { '-12': 'p', '-9': 'n', '-6': '\u00b5', '-3': 'm', 0: '', 3: 'k', 6: 'M', 9: 'G' };

// A value with an SI prefix and `digits` significant digits: "500 mV", "1.25 MHz", "-".
export function si(value, unit, digits = 4) {
  if (!Number.isFinite(value)) return '-';
  if (value === 0) return '0 ' + unit;
  const rounded = Number(value.toPrecision(digits));
  let power = Math.floor(Math.floor(Math.log10(Math.abs(rounded)) + 1e-9) / 3) * 3;
  power = Math.min(9, Math.max(-12, power));
  const scaled = rounded / 10 ** power;
  const decimals = Math.max(0, digits - 1 - Math.floor(Math.log10(Math.abs(scaled)) + 1e-9));
  let text = scaled.toFixed(Math.min(decimals, 15));
  if (text.includes('.')) text = text.replace(/0+$/, '').replace(/\.$/, '');
  if (text === '-0') text = '0';
  return text + ' ' + PREFIX_OF[power] + unit;
}

// A typed number: plain ("0.0005", "-2e-3") or with a prefix and the unit ("500 µs", "2k",
// "-1.5 V", "\u22121 V"). NaN when it is not a number.
export function parseNumber(text, unit = '') {
  let s = String(text).trim().replace(/^\u2212/, '-');
  if (unit && s.endsWith(unit)) s = s.slice(0, -unit.length).trim();
  let scale = 1;
  const last = s.slice(-1);
  if (last in PREFIXES && s.length > 1 && !/e$/i.test(s.slice(0, -1))) {
    scale = 10 ** PREFIXES[last];
    s = s.slice(0, -1).trim();
  }
  if (s === '' || !/^[-+]?(\d+\.?\d*|\.\d+)(e[-+]?\d+)?$/i.test(s)) return NaN;
  const value = Number(s) * scale;
  // 0.5m is 0.0005, not 0.0005000000000000001.
  return Number.isFinite(value) ? Number(value.toPrecision(15)) : NaN;
}

// The 1-2-5 step above (direction +1) or below (-1) `value`.
export function step125(value, direction) {
  const e = Math.floor(Math.log10(value));
  const steps = [];
  for (let k = e - 1; k <= e + 1; k++) {
    for (const m of [1, 2, 5]) steps.push(Number((m * 10 ** k).toPrecision(6)));
  }
  if (direction > 0) return steps.find((s) => s > value * (1 + 1e-9));
  return steps.reverse().find((s) => s < value * (1 - 1e-9));
}
