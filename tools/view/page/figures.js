// Under the screen: the figures of each trace of the record shown (the server computes them),
// and the links that save it. The formats a record can be saved as are listed once, here.
import { MATH_NAMES, on, view } from './state.js';

const COLUMNS = [['min', 'min'], ['max', 'max'], ['mean', 'mean'], ['pp', 'p-p'], ['rms', 'RMS'],
  ['freq', 'frequency'], ['period', 'period'], ['duty', 'duty cycle'], ['rise', 'rise time'],
  ['fall', 'fall time']];

// Each record download: /api/record.EXT?seq=N, saved under the server's file name.
export const DOWNLOADS = [
  { ext: 'csv', label: 'Save CSV', title: 'the record as comma-separated values' },
  { ext: 'svg', label: 'Save SVG', title: 'the record as a picture' },
];

function row(body, className, label, figures) {
  const tr = body.insertRow();
  tr.className = className;
  tr.insertCell().textContent = label;
  for (const [key] of COLUMNS) tr.insertCell().textContent = figures[key] !== undefined ? figures[key] : '-';
}

function showFigures(record) {
  const body = document.querySelector('#figures tbody');
  body.replaceChildren();
  for (const t of record.traces) row(body, 'ch' + t.channel, 'CH' + t.channel, t.figures);
  const math = view.math !== 'off' && record.math ? record.math[view.math] : null;
  if (math) row(body, 'math', MATH_NAMES[view.math], math);
  for (const d of DOWNLOADS) {
    document.getElementById('save-' + d.ext).href = '/api/record.' + d.ext + '?seq=' + record.seq;
  }
}

export function buildFigures() {
  const head = document.querySelector('#figures thead tr');
  head.replaceChildren(document.createElement('th'));
  for (const [, label] of COLUMNS) {
    const th = document.createElement('th');
    th.textContent = label;
    head.append(th);
  }
  const links = document.getElementById('save');
  for (const d of DOWNLOADS) {
    const a = document.createElement('a');
    a.id = 'save-' + d.ext;
    a.download = '';
    a.textContent = d.label;
    a.title = d.title + ' (the record shown)';
    links.append(a);
  }
  const settings = document.createElement('a');
  settings.id = 'save-settings';
  settings.href = '/api/settings.json';
  settings.download = 'zarvo-settings.json';
  settings.textContent = 'Save settings';
  settings.title = 'the settings as JSON, for zarvo view, capture or monitor --settings';
  links.append(settings);
}
on('shown', showFigures);
on('math', () => {
  if (view.record) showFigures(view.record);
});
