// SPDX-License-Identifier: MIT
// The knobs: volts per division of each channel and time per division, stepped in 1-2-5 order
// by buttons and the up and down arrow keys, and the trigger level dragged by its marker.
// Each knob shows what the instrument took, not what was asked for: the next step starts from
// there.
import { addGrabber, triggerLevel, triggerTrace, voltToY, yToVolt } from './screen.js';
import { instrumentUsable } from './controls.js';
import { rangesOf } from './probe.js';
import { on, requestDraw, say, si, step125, view } from './state.js';

// Volts per division is a quarter of the range (eight divisions, the range either side of
// 0 V), so the instrument's nine ranges are exactly the 1-2-5 steps from 50 mV to 20 V/div.
const voltsPerDiv = (range) => range / 4;

const KNOBS = [
  { id: 'knob-ch1', label: 'CH1 volts/div', key: 'ch1.range',
    text: (s) => (typeof s['ch1.range'] === 'number' ? si(voltsPerDiv(s['ch1.range']), 'V', 3) + '/div' : '-'),
    step: (d) => stepRange(1, d) },
  { id: 'knob-ch2', label: 'CH2 volts/div', key: 'ch2.range',
    text: (s) => (typeof s['ch2.range'] === 'number' ? si(voltsPerDiv(s['ch2.range']), 'V', 3) + '/div' : '-'),
    step: (d) => stepRange(2, d) },
  { id: 'knob-time', label: 'time/div', key: 'timePerDiv',
    text: (s) => (typeof s.timePerDiv === 'number' ? si(s.timePerDiv, 's', 3) + '/div' : '-'),
    step: (d) => stepTime(d) },
];

async function stepRange(channel, direction) {
  const ranges = rangesOf(channel);
  const now = view.state.settings['ch' + channel + '.range'];
  const at = ranges.findIndex((r) => Math.abs(r - now) <= now * 1e-6);
  const next = ranges[(at < 0 ? ranges.findIndex((r) => r > now) : at) + direction];
  if (next === undefined) {
    say('channel ' + channel + ' is at its ' + (direction > 0 ? 'largest' : 'smallest') +
      ' volts per division');
    return;
  }
  await view.set('ch' + channel + '.range', next);
}

// The instrument's clock makes a few rates only: a step that lands on the time per division
// the instrument already had goes on to the next step, a few at most.
async function stepTime(direction) {
  const start = view.state.settings.timePerDiv;
  let ask = start;
  for (let attempt = 0; attempt < 4; attempt++) {
    ask = step125(ask, direction);
    const answer = await view.set('timePerDiv', ask);
    if (answer.status !== 200 || view.state.settings.timePerDiv !== start) return;
  }
}

function show(state) {
  for (const knob of KNOBS) {
    const text = knob.text(state.settings);
    document.querySelector('#' + knob.id + ' output').textContent = text;
    document.getElementById(knob.id).setAttribute('aria-valuetext', text);
  }
}

export function buildKnobs() {
  const box = document.getElementById('knobs');
  for (const knob of KNOBS) {
    const row = document.createElement('div');
    row.id = knob.id;
    row.className = 'knob';
    row.setAttribute('role', 'group');
    row.setAttribute('aria-label', knob.label + ' (arrow up and down step it)');
    const name = document.createElement('span');
    name.textContent = knob.label;
    const down = document.createElement('button');
    down.textContent = '\u2212';
    down.setAttribute('aria-label', knob.label + ' down');
    down.dataset.instrument = '';
    const value = document.createElement('output');
    value.tabIndex = 0;
    value.textContent = '-';
    const up = document.createElement('button');
    up.textContent = '+';
    up.setAttribute('aria-label', knob.label + ' up');
    up.dataset.instrument = '';
    const step = (direction) => {
      if (view.state && instrumentUsable()) knob.step(direction);
    };
    down.addEventListener('click', () => step(-1));
    up.addEventListener('click', () => step(+1));
    row.addEventListener('keydown', (e) => {
      if (e.key !== 'ArrowUp' && e.key !== 'ArrowDown') return;
      e.preventDefault();
      e.stopPropagation();
      step(e.key === 'ArrowUp' ? 1 : -1);
    });
    row.append(name, down, value, up);
    box.append(row);
  }
}
on('state', show);

// The trigger level's marker, right of the screen, dragged up and down; the level is sent when
// it is let go, and the marker then shows what the instrument took.
addGrabber(0, (p, a, record) => {
  if (view.xy || view.instrumentOff || p.x < a.x + a.w - 2) return null;
  const trace = triggerTrace(record);
  const level = triggerLevel(record);
  if (!trace || level === null || Math.abs(p.y - voltToY(a, trace.voltsPerDiv, level)) > 9) return null;
  const levelAt = (p) => {
    const v = yToVolt(a, trace.voltsPerDiv, Math.min(a.y + a.h, Math.max(a.y, p.y)));
    return Number(v.toPrecision(3));
  };
  return {
    move(p) {
      view.dragLevel = levelAt(p);
      requestDraw();
    },
    async end(p) {
      const level = levelAt(p);
      await view.set('trigger.level', level);
      view.dragLevel = null;
      requestDraw();
    },
  };
});
