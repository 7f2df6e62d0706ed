// Saving: the record shown in each download format, and the settings as a file for
// --settings. The formats are listed once, here: a new one is one more line in DOWNLOADS.
import { on } from './state.js';

// Each record download is /api/record.EXT?seq=N, saved under the server's file name.
export const DOWNLOADS = [
  { ext: 'csv', label: 'Save CSV', title: 'the record as comma-separated values' },
  { ext: 'svg', label: 'Save SVG', title: 'the record as a picture' },
];

export function buildSave() {
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

// The links follow the record shown, live or stepped back to.
on('shown', (record) => {
  for (const d of DOWNLOADS) {
    document.getElementById('save-' + d.ext).href = '/api/record.' + d.ext + '?seq=' + record.seq;
  }
});
