// SPDX-License-Identifier: MIT
// Saving: the record shown in each download format, and the settings as a file for
// --settings. The formats are listed once, here: a new one is one more line in DOWNLOADS.
// They sit in one row after the word "Save", each a link reached with Tab and taken with
// Enter, whatever is shown: a live record, one stepped back to, or a saved record opened.
import { on } from './state.js';

// Each record download is /api/record.EXT?seq=N, saved under the server's file name.
export const DOWNLOADS = [
  { ext: 'csv', label: 'CSV', title: 'comma-separated values: spreadsheets, pandas' },
  { ext: 'sr', label: 'sigrok', title: 'a sigrok session (.sr): PulseView, sigrok-cli' },
  { ext: 'wav', label: 'WAV', title: '32-bit float WAV in volts: audio editors, soundfile, scipy' },
  { ext: 'npz', label: 'NumPy', title: 'a NumPy archive (.npz) of the volts and the sample rate: numpy.load' },
  { ext: 'svg', label: 'SVG', title: 'a picture of the record' },
];

function link(id, label, title) {
  const a = document.createElement('a');
  a.id = id;
  a.download = '';
  a.textContent = label;
  a.title = title;
  return a;
}

export function buildSave() {
  const row = document.getElementById('save');
  for (const d of DOWNLOADS) {
    row.append(link('save-' + d.ext, d.label, d.title + ' (the record shown)'));
  }
  const settings = link('save-settings', 'settings',
    'the settings as JSON, for zarvo view, capture or monitor --settings');
  settings.href = '/api/settings.json';
  settings.download = 'zarvo-settings.json';
  row.append(settings);
}

// The links follow the record shown, live or stepped back to.
on('shown', (record) => {
  for (const d of DOWNLOADS) {
    document.getElementById('save-' + d.ext).href = '/api/record.' + d.ext + '?seq=' + record.seq;
  }
});
