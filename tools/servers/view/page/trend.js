// SPDX-License-Identifier: MIT
// The trend (button and key T): one chosen figure of one trace over the records taken since
// the statistics were reset, against the time of day, so that a drift shows at a glance; its
// records download as CSV in the columns of `zarvo monitor --log`. The server keeps the values;
// the page asks for them at most twice a second while the trend is shown.
import { on, si, view } from './state.js';
import { addToggle } from './keys.js';
import { FIGURE_COLUMNS } from './figures.js';

view.trend = { on: false, data: null, asked: 0 };

const clock = (ms) => new Date(ms).toISOString().slice(11, 19);

function drawTrend() {
  const data = view.trend.data;
  const canvas = document.getElementById('trend');
  const ctx = canvas.getContext('2d');
  ctx.fillStyle = '#000';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  const text = document.getElementById('trend-text');
  const points = data ? data.points.filter((p) => p[1] !== null) : [];
  const label = document.getElementById('trend-figure').selectedOptions[0].textContent;
  const trace = document.getElementById('trend-trace').selectedOptions[0].textContent;
  if (points.length === 0) {
    text.textContent = trace + ' ' + label + ': no records yet';
    return;
  }
  const t0 = points[0][0];
  const t1 = points[points.length - 1][0];
  let lo = Math.min(...points.map((p) => p[1]));
  let hi = Math.max(...points.map((p) => p[1]));
  if (hi === lo) { hi += Math.abs(hi) * 1e-3 || 1e-9; lo -= Math.abs(lo) * 1e-3 || 1e-9; }
  const x = (t) => 40 + ((t - t0) / Math.max(t1 - t0, 1)) * (canvas.width - 50);
  const y = (v) => canvas.height - 15 - ((v - lo) / (hi - lo)) * (canvas.height - 30);
  ctx.strokeStyle = '#81c784';
  ctx.beginPath();
  points.forEach((p, i) => (i === 0 ? ctx.moveTo(x(p[0]), y(p[1])) : ctx.lineTo(x(p[0]), y(p[1]))));
  ctx.stroke();
  ctx.fillStyle = '#bbb';
  ctx.font = '11px sans-serif';
  ctx.fillText(si(hi, data.unit), 2, 12);
  ctx.fillText(si(lo, data.unit), 2, canvas.height - 3);
  const records = points.length === 1 ? '1 record' : points.length + ' records';
  text.textContent = trace + ' ' + label + ': ' + si(lo, data.unit) + ' to ' + si(hi, data.unit) +
    ' over ' + records + ', ' + clock(t0) + ' to ' + clock(t1) + ' UTC';
}

async function fetchTrend() {
  view.trend.asked = performance.now();
  const trace = document.getElementById('trend-trace').value;
  const figure = document.getElementById('trend-figure').value;
  const response = await fetch('/api/trend?trace=' + trace + '&figure=' + figure);
  if (!response.ok) return;
  view.trend.data = await response.json();
  if (view.trend.on) drawTrend();
}

export function setTrend(onNow) {
  view.trend.on = onNow;
  document.getElementById('trend-toggle').setAttribute('aria-pressed', String(onNow));
  document.getElementById('trend-box').hidden = !onNow;
  if (onNow) fetchTrend();
}
export const toggleTrend = () => setTrend(!view.trend.on);

export function buildTrend() {
  addToggle('trend-toggle', 'Trend', 't', toggleTrend);

  const box = document.createElement('section');
  box.id = 'trend-box';
  box.hidden = true;
  box.setAttribute('aria-label', 'trend');
  box.innerHTML = '<div class="bar"><label>trend of <select id="trend-trace">' +
    '<option value="ch1">CH1</option><option value="ch2">CH2</option>' +
    '<option value="diff">CH1 \u2212 CH2</option><option value="sum">CH1 + CH2</option>' +
    '</select></label> <select id="trend-figure" aria-label="figure"></select>' +
    '<a id="trend-csv" href="/api/trend.csv" download="zarvo-trend.csv">trend.csv</a></div>' +
    '<canvas id="trend" width="800" height="160" aria-label="trend plot"></canvas>' +
    '<div id="trend-text" role="status"></div>';
  const after = document.getElementById('statistics-box') || document.getElementById('figures');
  after.after(box);
  const figure = document.getElementById('trend-figure');
  for (const [key, label] of FIGURE_COLUMNS) figure.add(new Option(label, key, key === 'freq', key === 'freq'));
  for (const id of ['trend-trace', 'trend-figure']) {
    document.getElementById(id).addEventListener('change', fetchTrend);
  }
}

on('shown', (record) => {
  if (!view.trend.on || !record.live || performance.now() - view.trend.asked < 500) return;
  fetchTrend();
});
