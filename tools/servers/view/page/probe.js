// SPDX-License-Identifier: MIT
// Probe factors: each channel's volts are at the probe tip. The server scales the record's
// volts, ranges and levels; here the ranges offered follow the factor (the 0.2 V input range is
// 2 V behind a x10 probe), the channel's heading shows "×10", and a trace is named "CH1 ×10".
import { on, view } from './state.js';

// The factor as people write it: 10, 0.5, 1000.
export const factorText = (factor) => String(Number(factor.toPrecision(6)));

// The factor of `channel` in the settings the instrument took (1 when not known).
export function probeOf(channel, settings = view.state && view.state.settings) {
  const factor = settings ? settings['probe' + channel] : undefined;
  return typeof factor === 'number' && factor > 0 ? factor : 1;
}

// The input ranges of `channel` at its probe tip, smallest first.
export function rangesOf(channel) {
  const status = (view.state && view.state.status) || {};
  const factor = probeOf(channel);
  return [...(status.ranges || [])].sort((a, b) => a - b).map((r) => r * factor);
}

// The name of a trace behind a probe other than x1 ("CH1 ×10"); undefined for x1.
export function probeLabel(event, channel) {
  const factor = event.probe ? event.probe[String(channel)] : undefined;
  if (typeof factor !== 'number' || factor === 1) return undefined;
  return 'CH' + channel + ' \u00d7' + factorText(factor);
}

// Keeps a range list showing the ranges of its channel's probe.
export function fillRanges(select, channel) {
  const ranges = rangesOf(channel);
  const values = ranges.map(String);
  const shown = [...select.options].map((o) => o.value);
  if (shown.length === values.length && shown.every((v, i) => v === values[i])) return;
  select.replaceChildren(...ranges.map((r, i) =>
    new Option(Number(r.toPrecision(6)) + ' V', values[i])));
}

on('state', (state) => {
  for (const channel of [1, 2]) {
    const heading = document.getElementById('group-channel-' + channel);
    if (!heading) continue;
    let mark = heading.querySelector('.probe-mark');
    if (!mark) {
      mark = document.createElement('span');
      mark.className = 'probe-mark';
      mark.id = 'probe-mark-' + channel;
      heading.append(' ', mark);
    }
    const factor = probeOf(channel, state.settings);
    mark.textContent = factor === 1 ? '' : '\u00d7' + factorText(factor);
  }
});
