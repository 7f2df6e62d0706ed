// SPDX-License-Identifier: MIT
// The instrument's controls: one per row of the server's settings table, the acquisition
// buttons, Auto and Start again, and the status line. Every value a control shows is the one
// the instrument took, as the server read it back: a typed value stays as typed only while
// the person is still typing it.
import { emit, on, parseNumber, post, say, si, view } from './state.js';
import { fillRanges } from './probe.js';

function group(key) {
  if (key.startsWith('ch1.') || key === 'probe1') return 'Channel 1';
  if (key.startsWith('ch2.') || key === 'probe2') return 'Channel 2';
  if (key.startsWith('trigger.')) return 'Trigger';
  if (key === 'generator') return 'Generator';
  if (key.startsWith('decode.')) return 'Decode';
  if (key === 'average') return 'Acquisition';
  return 'Time base';
}

const isRange = (row) => row.key.endsWith('.range');
const isTyped = (row) => (row.kind === 'number' || row.kind === 'integer') && !isRange(row);

// The value a typed field holds, or a sentence saying why it cannot be sent.
export function readTyped(row, text) {
  const name = row.label + (row.unit ? ' (' + row.unit + ')' : '');
  const value = parseNumber(text, row.unit);
  if (Number.isNaN(value)) return { error: name + ' takes a number, not "' + text + '"' };
  if (row.kind === 'integer' && !Number.isInteger(value)) {
    return { error: name + ' takes a whole number, not ' + text };
  }
  if (value < row.min || value > row.max) {
    return { error: name + ' must lie between ' + row.min + ' and ' + row.max + '; ' + text +
      ' is outside' };
  }
  return { value };
}

// A value as the figures under the screen write it: four significant digits with the
// unit's prefix ("416.7 kHz", "240 \u00b5s", "-296.9 mV"); counts of samples as they are.
function shownText(row, value) {
  if (value === null || value === undefined) return '';
  if (typeof value === 'number' && isTyped(row) && row.unit && row.unit !== 'samples') {
    return si(value, row.unit);
  }
  return String(value);
}

const current = (row) => (view.state ? view.state.settings[row.key] : undefined);

// Shows the instrument's value in a control, unless the person is typing into it.
function showValue(row, input) {
  if (input.dataset.typing) return;
  const value = current(row);
  if (row.kind === 'boolean') input.checked = !!value;
  else input.value = shownText(row, value);
}

function makeControl(row) {
  let input;
  if (row.kind === 'boolean') {
    input = document.createElement('input');
    input.type = 'checkbox';
  } else if (row.kind === 'choice' || isRange(row)) {
    input = document.createElement('select');
    for (const choice of row.choices || []) input.add(new Option(choice, choice));
  } else {
    input = document.createElement('input');
    input.type = 'text';
    input.inputMode = 'decimal';
    input.spellcheck = false;
  }
  input.id = 'set-' + row.key;
  input.dataset.key = row.key;
  // The decode settings need no instrument: they work on a saved record too.
  if (!row.key.startsWith('decode.')) input.dataset.instrument = '';
  input.title = row.applies + ' / ' + row.reads;
  if (isTyped(row)) {
    input.addEventListener('input', () => { input.dataset.typing = '1'; });
    input.addEventListener('keydown', (e) => {
      if (e.key === 'Escape') {
        delete input.dataset.typing;
        showValue(row, input);
      }
    });
    // Leaving the field shows what the instrument took, whatever was typed there last.
    input.addEventListener('blur', () => {
      delete input.dataset.typing;
      showValue(row, input);
    });
  }
  input.addEventListener('change', () => {
    let value;
    if (row.kind === 'boolean') value = input.checked;
    else if (row.kind === 'choice') value = input.value;
    else if (isRange(row)) value = Number(input.value);
    else if (typeof current(row) === 'number' &&
      input.value.trim() === shownText(row, current(row))) {
      // The value shown, given back as it stands: the instrument's own, not its rounding.
      value = current(row);
      delete input.dataset.typing;
    } else {
      const typed = readTyped(row, input.value);
      delete input.dataset.typing;
      if (typed.error) {
        say(typed.error);
        showValue(row, input);
        return;
      }
      value = typed.value;
    }
    view.set(row.key, value);
  });
  return input;
}

export function buildControls() {
  const form = document.getElementById('controls');
  form.addEventListener('submit', (e) => e.preventDefault());
  let heading = '';
  for (const row of view.table) {
    if (row.key === 'acquire') continue;
    if (group(row.key) !== heading) {
      heading = group(row.key);
      const h = document.createElement('h2');
      h.textContent = heading;
      h.id = 'group-' + heading.toLowerCase().replace(' ', '-');
      form.append(h);
    }
    const label = document.createElement('label');
    label.htmlFor = 'set-' + row.key;
    label.textContent = row.label + (row.unit ? ' (' + row.unit + ')' : '');
    form.append(label, makeControl(row));
  }
  for (const b of document.querySelectorAll('[data-acquire]')) {
    b.addEventListener('click', () => view.set('acquire', b.dataset.acquire));
  }
  document.getElementById('restart').addEventListener('click', () => view.restart());
  document.getElementById('auto').addEventListener('click', runAuto);
}

function showState(state) {
  const status = state.status || {};
  for (const row of view.table) {
    const input = document.getElementById('set-' + row.key);
    if (!input) continue;
    if (isRange(row)) fillRanges(input, Number(row.key[2]));
    showValue(row, input);
  }
  for (const b of document.querySelectorAll('[data-acquire]')) {
    b.classList.toggle('active', b.dataset.acquire === state.settings.acquire);
    b.setAttribute('aria-pressed', String(b.dataset.acquire === state.settings.acquire));
  }
  const line = document.getElementById('status');
  const error = status.error ? status.error.text + (status.error.status ? ' (' + status.error.status + ')' : '') : '';
  // zarvo view --open: a saved record, no instrument; Save and the analysis still work.
  if (status.file) {
    line.textContent = 'saved record ' + status.file.path;
    line.classList.remove('bad');
    setInstrumentControls(false, status.file.text);
    return;
  }
  if (status.found && !status.lost) {
    line.textContent = 'instrument found, serial number ' + status.serial + '; ' +
      (state.settings.acquire === 'stop' ? 'stopped' : 'acquiring') +
      (error ? '; last error: ' + error : '');
  } else {
    line.textContent = error || 'no instrument found ' + (status.where || '');
  }
  line.classList.toggle('bad', !status.found || !!status.lost);
}
on('state', showState);

// ---- The instrument's controls as one set: every element marked data-instrument (settings,
// acquisition, Auto, knobs) is enabled or disabled here, with the reason written beside them.

export function setInstrumentControls(enabled, reason = '') {
  view.instrumentOff = enabled ? '' : reason || 'the instrument controls are off';
  for (const el of document.querySelectorAll('[data-instrument]')) {
    el.disabled = !enabled;
    if (el.getAttribute('role') === 'group') el.setAttribute('aria-disabled', String(!enabled));
  }
  document.getElementById('instrument-note').textContent = view.instrumentOff;
}

// True when the instrument may be used; otherwise says why not.
export function instrumentUsable() {
  if (view.instrumentOff) say(view.instrumentOff);
  return !view.instrumentOff;
}

// ---- Acquisition by key or button, and Auto.

export function setAcquire(mode) {
  if (instrumentUsable()) view.set('acquire', mode);
}
export function runOrStop() {
  setAcquire(view.state && view.state.settings.acquire === 'stop' ? 'run' : 'stop');
}

export async function runAuto() {
  if (!instrumentUsable()) return;
  const button = document.getElementById('auto');
  const note = document.getElementById('auto-text');
  button.setAttribute('aria-busy', 'true');
  note.textContent = 'looking at the inputs\u2026';
  const answer = await post('/api/auto', {});
  button.removeAttribute('aria-busy');
  note.textContent = answer.status === 200 && answer.body.auto ? answer.body.auto.text : '';
  if (answer.status === 200) {
    view.zoom = null;
    emit('auto', answer.body);
  }
}
