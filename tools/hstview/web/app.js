// The hstview page: tags in panels, each a uPlot chart of M4 points the server aggregates for the
// chart's pixel width; times labelled in a zone whose offsets come from the server.
'use strict';

const COLORS = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd', '#8c564b', '#e377c2'];
const state = {
  tags: [],            // [{name, description, files}]
  extent: null,        // [first, last] over every file, Unix seconds
  panels: [[]],        // tag names per panel
  current: 0,          // the panel new tags go to
  range: null,         // [from, to], Unix seconds
  zone: 'browser',     // 'browser', 'UTC', '' (the server's), or a zone name
  live: false,
  offsets: { from: 0, to: 0, list: [{ at: -Infinity, offset: 0 }] },
};
const charts = [];     // one per panel: {plot, element, tags}
let fetchSerial = 0;

const $ = (id) => document.getElementById(id);
const status = (text) => { $('status').textContent = text || ''; };

async function getJson(url) {
  const response = await fetch(url, { credentials: 'same-origin' });
  const body = await response.json();
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}

// --- zone ----------------------------------------------------------------------------------

function zoneName() {
  if (state.zone === 'browser') return Intl.DateTimeFormat().resolvedOptions().timeZone || '';
  return state.zone;
}

async function loadOffsets(from, to) {
  const span = to - from;
  from = Math.floor(from - span);
  to = Math.ceil(to + span);
  if (from >= state.offsets.from && to <= state.offsets.to) return;
  const tz = encodeURIComponent(zoneName());
  try {
    const body = await getJson(`/api/zone?tz=${tz}&from=${from}&to=${to}`);
    state.offsets = { from, to, list: body.offsets };
  } catch (error) {
    status(`zone: ${error.message}; showing the server's zone`);
    const body = await getJson(`/api/zone?from=${from}&to=${to}`);
    state.offsets = { from, to, list: body.offsets };
  }
}

function offsetAt(t) {
  const list = state.offsets.list;
  let low = 0, high = list.length - 1;
  while (low < high) {
    const middle = (low + high + 1) >> 1;
    if (list[middle].at <= t) low = middle; else high = middle - 1;
  }
  return list[low].offset;
}

// A Date whose UTC fields are the local time in the chosen zone.
const shifted = (t) => new Date((t + offsetAt(t)) * 1000);
const pad = (n, w = 2) => String(n).padStart(w, '0');

function formatTime(t) {
  const d = shifted(t);
  const offset = offsetAt(t);
  const sign = offset < 0 ? '-' : '+';
  const abs = Math.abs(offset);
  return `${d.getUTCFullYear()}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} ` +
    `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}.` +
    `${pad(d.getUTCMilliseconds(), 3)} ${sign}${pad(Math.floor(abs / 3600))}:${pad(Math.floor(abs % 3600 / 60))}`;
}

// --- URL -----------------------------------------------------------------------------------

function saveView() {
  const params = new URLSearchParams();
  params.set('tags', state.panels.map((p) => p.join(',')).join('|'));
  if (state.range) {
    params.set('from', state.range[0].toFixed(3));
    params.set('to', state.range[1].toFixed(3));
  }
  params.set('tz', state.zone);
  if (state.live) params.set('live', '1');
  history.replaceState(null, '', '#' + params.toString());
}

function loadView() {
  const params = new URLSearchParams(location.hash.slice(1));
  if (params.has('tags')) {
    state.panels = params.get('tags').split('|').map((p) => p.split(',').filter((t) => t));
    if (state.panels.length === 0) state.panels = [[]];
  }
  const from = parseFloat(params.get('from')), to = parseFloat(params.get('to'));
  if (from < to) state.range = [from, to];
  if (params.has('tz')) state.zone = params.get('tz');
  state.live = params.get('live') === '1';
}

// --- tag list ------------------------------------------------------------------------------

function wildcard(text) {
  const escaped = text.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.');
  return new RegExp(text.includes('*') || text.includes('?') ? `^${escaped}$` : escaped, 'i');
}

function showTags() {
  const pattern = wildcard($('search').value.trim());
  const shown = new Set(state.panels.flat());
  const list = $('tags');
  list.replaceChildren();
  for (const tag of state.tags) {
    if (!pattern.test(tag.name) && !pattern.test(tag.description)) continue;
    const item = document.createElement('li');
    item.textContent = tag.name;
    item.title = `${tag.files.length} file(s)`;
    if (shown.has(tag.name)) item.classList.add('shown');
    if (tag.description) {
      const description = document.createElement('span');
      description.className = 'description';
      description.textContent = tag.description;
      item.append(description);
    }
    item.addEventListener('click', () => addTag(tag.name));
    list.append(item);
  }
}

function addTag(name) {
  const panel = state.panels[state.current];
  if (!panel.includes(name)) panel.push(name);
  buildPanels();
}

// --- panels and charts ---------------------------------------------------------------------

function buildPanels() {
  for (const chart of charts) chart.plot.destroy();
  charts.length = 0;
  const container = $('panels');
  container.replaceChildren();
  state.panels.forEach((tags, index) => {
    const element = document.createElement('section');
    element.className = 'panel' + (index === state.current ? ' current' : '');
    const header = document.createElement('header');
    header.textContent = tags.length ? tags.join(', ') : 'Empty panel: pick tags on the left';
    const remove = document.createElement('button');
    remove.className = 'remove';
    remove.textContent = '✕';
    remove.addEventListener('click', (event) => {
      event.stopPropagation();
      state.panels.splice(index, 1);
      if (state.panels.length === 0) state.panels = [[]];
      state.current = Math.min(state.current, state.panels.length - 1);
      buildPanels();
    });
    header.append(remove);
    element.append(header);
    element.addEventListener('click', () => {
      if (state.current !== index) { state.current = index; buildPanels(); }
    });
    container.append(element);
    charts.push({ plot: makePlot(element, tags), element, tags });
  });
  $('hint').hidden = state.panels.some((p) => p.length > 0);
  showTags();
  refresh();
}

function makePlot(element, tags) {
  const series = [{ value: (u, t) => (t == null ? '' : formatTime(t)) }];
  tags.forEach((tag, i) => series.push({
    label: tag, stroke: COLORS[i % COLORS.length], width: 1, spanGaps: false,
    value: (u, v) => (v == null ? '–' : String(v)),
  }));
  const options = {
    width: Math.max(300, $('panels').clientWidth - 12),
    height: 220,
    series,
    tzDate: (t) => uPlot.tzDate(shifted(t), 'Etc/UTC'),
    scales: { x: { time: true } },
    axes: [{}, { size: axisWidth }],
    cursor: { drag: { x: true, y: false }, sync: { key: 'hstview' } },
    hooks: {
      setSelect: [(u) => {
        if (u.select.width > 2) {
          const from = u.posToVal(u.select.left, 'x');
          const to = u.posToVal(u.select.left + u.select.width, 'x');
          u.setSelect({ left: 0, width: 0 }, false);
          setRange(from, to);
        }
      }],
      setCursor: [(u) => showReadout(u, tags)],
    },
  };
  const data = [[], ...tags.map(() => [])];
  const plot = new uPlot(options, data, element);
  plot.over.addEventListener('wheel', (event) => {
    event.preventDefault();
    if (!state.range) return;
    const [from, to] = state.range;
    const span = to - from;
    if (event.shiftKey) {
      const step = span * 0.1 * Math.sign(event.deltaY || event.deltaX);
      setRange(from + step, to + step);
      return;
    }
    const at = plot.posToVal(event.offsetX, 'x');
    const factor = event.deltaY < 0 ? 0.8 : 1.25;
    setRange(at - (at - from) * factor, at + (to - at) * factor);
  }, { passive: false });
  plot.over.addEventListener('dblclick', (event) => {
    event.stopPropagation();
    preset('all');
  });
  return plot;
}

// The value axis as wide as its longest label (uPlot's fixed width cuts 120,000,000 to 0,000).
function axisWidth(u, values, axisIndex, cycle) {
  const axis = u.axes[axisIndex];
  if (cycle > 1) return axis._size;  // settled: the labels no longer change with the width
  let width = axis.ticks.size + axis.gap;
  const longest = (values || []).reduce((a, v) => (String(v).length > a.length ? String(v) : a), '');
  if (longest) {
    u.ctx.font = axis.font[0];
    width += u.ctx.measureText(longest).width / uPlot.pxRatio;
  }
  return Math.ceil(Math.max(width, 40));
}

function showReadout(u, tags) {
  const index = u.cursor.idx;
  if (index == null) return;
  const t = u.data[0][index];
  let text = formatTime(t);
  tags.forEach((tag, i) => {
    const v = u.data[i + 1][index];
    if (v !== undefined) text += `   ${tag} = ${v === null ? 'NaN' : v}`;
  });
  $('readout').textContent = text;
}

function setRange(from, to) {
  if (!(to > from)) return;
  state.range = [from, to];
  refresh();
}

function preset(kind) {
  if (!state.extent) return;
  const [first, last] = state.extent;
  if (kind === 'all') {
    const margin = Math.max(1, (last - first) * 0.01);
    setRange(first - margin, last + margin);
  } else {
    setRange(last - Number(kind), last + Number(kind) * 0.02);
  }
}

// Fetches M4 points for every panel at its width and draws them.
async function refresh() {
  saveView();
  updateExport();
  if (!state.range) return;
  const [from, to] = state.range;
  const serial = ++fetchSerial;
  try {
    await loadOffsets(from, to);
    await Promise.all(charts.map(async (chart) => {
      if (chart.tags.length === 0) {
        chart.plot.setScale('x', { min: from, max: to });
        return;
      }
      // The chart puts a sample in the pixel column its position rounds to, so column k
      // spans [k - 1/2, k + 1/2) pixels: the server's columns are asked for half a pixel
      // earlier, one more of them, and each then holds exactly what one drawn column holds.
      // The plot's width depends on its axes, whose labels depend on the data: asked again
      // when drawing the points changed it.
      for (let pass = 0; pass < 3; pass++) {
        const width = Math.max(1, Math.round(chart.plot.bbox.width));
        const half = (to - from) / width / 2;
        const tags = encodeURIComponent(chart.tags.join(','));
        const body = await getJson(`/api/series?tags=${tags}&from=${seconds(from - half)}` +
          `&to=${seconds(to + half)}&width=${width + 1}`);
        if (serial !== fetchSerial) return;
        draw(chart, uPlot.join(body.series.map((s) => [s.t, s.v])), from, to);
        if (Math.round(chart.plot.bbox.width) === width) break;
      }
    }));
    status('');
  } catch (error) {
    status(error.message);
  }
}

// Unix seconds as the API reads them: at most 7 fraction digits, no exponent.
const seconds = (t) => t.toFixed(7).replace(/\.?0+$/, '');

function draw(chart, data, from, to) {
  chart.plot.batch(() => {
    chart.plot.setData(data, false);
    chart.plot.setScale('x', { min: from, max: to });
  });
}

// For checking the chart against the samples themselves: draws the given points in a panel
// over the current range, as the server's points are drawn. Nothing is fetched or kept.
window.hstviewDrawPoints = (panel, times, values) => {
  const chart = charts[panel];
  if (!chart || !state.range) return false;
  fetchSerial++;  // a fetch under way does not draw over these
  draw(chart, [times, values], state.range[0], state.range[1]);
  return true;
};

function updateExport() {
  const links = [[$('export'), '/api/export.csv?'], [$('export-xlsx'), '/api/export.xlsx?']];
  const tags = [...new Set(state.panels.flat())];
  if (!state.range || tags.length === 0) {
    for (const [link] of links) link.removeAttribute('href');
    return;
  }
  const params = new URLSearchParams();
  params.set('tags', tags.join(','));
  params.set('from', new Date(state.range[0] * 1000).toISOString());
  params.set('to', new Date(state.range[1] * 1000).toISOString());
  const zone = zoneName();
  if (zone) params.set('tz', zone);
  for (const [link, path] of links) link.href = path + params.toString();
}

// An export that fails (too large, a range over several files for a workbook) says why in the
// status line, instead of saving its JSON error under the export's name.
async function download(event) {
  event.preventDefault();
  const link = event.currentTarget;
  if (!link.href) return;
  status('exporting…');
  try {
    const response = await fetch(link.href, { credentials: 'same-origin' });
    if (!response.ok) {
      const body = await response.json().catch(() => ({}));
      throw new Error(body.error || response.statusText);
    }
    const saved = document.createElement('a');
    saved.href = URL.createObjectURL(await response.blob());
    saved.download = link.getAttribute('download');
    saved.click();
    setTimeout(() => URL.revokeObjectURL(saved.href), 10000);
    status('');
  } catch (error) {
    status(`export: ${error.message}`);
  }
}

// --- files, live mode ----------------------------------------------------------------------

async function loadFiles() {
  const body = await getJson('/api/files');
  let first = Infinity, last = -Infinity, refused = 0;
  for (const file of body.files) {
    if (file.refused) { refused++; continue; }
    if (file.first !== undefined) {
      first = Math.min(first, file.first);
      last = Math.max(last, file.last);
    }
  }
  state.extent = first <= last ? [first, last] : null;
  $('export-xlsx').hidden = !(body.exports || []).includes('xlsx');
  $('files').textContent = `${body.files.length} file(s)` +
    (refused ? `, ${refused} refused` : '');
}

async function followLive() {
  if (!state.live) return;
  const before = state.extent ? state.extent[1] : null;
  await loadFiles();
  if (!state.extent || !state.range) return;
  const last = state.extent[1];
  if (last !== before) {
    const span = state.range[1] - state.range[0];
    setRange(last - span * 0.98, last + span * 0.02);
  }
}

async function start() {
  loadView();
  $('zone').value = ['browser', 'UTC', ''].includes(state.zone) ? state.zone : 'other';
  $('zone-name').hidden = $('zone').value !== 'other';
  if ($('zone').value === 'other') $('zone-name').value = state.zone;
  $('live').checked = state.live;
  $('search').addEventListener('input', showTags);
  $('export').addEventListener('click', download);
  $('export-xlsx').addEventListener('click', download);
  for (const button of document.querySelectorAll('[data-preset]')) {
    button.addEventListener('click', () => preset(button.dataset.preset));
  }
  $('zone').addEventListener('change', () => {
    const choice = $('zone').value;
    $('zone-name').hidden = choice !== 'other';
    if (choice !== 'other') { state.zone = choice; resetZone(); }
  });
  $('zone-name').addEventListener('change', () => { state.zone = $('zone-name').value.trim(); resetZone(); });
  $('live').addEventListener('change', () => { state.live = $('live').checked; saveView(); followLive(); });
  $('new-panel').addEventListener('click', () => {
    state.panels.push([]);
    state.current = state.panels.length - 1;
    buildPanels();
  });
  window.addEventListener('resize', () => {
    for (const chart of charts) chart.plot.setSize({ width: Math.max(300, $('panels').clientWidth - 12), height: 220 });
    refresh();
  });
  try {
    const body = await getJson('/api/tags');
    state.tags = body.tags;
    await loadFiles();
  } catch (error) {
    status(error.message);
  }
  if (!state.range) preset('all');
  buildPanels();
  setInterval(followLive, 2000);
}

function resetZone() {
  state.offsets = { from: 0, to: 0, list: [{ at: -Infinity, offset: 0 }] };
  refresh();
}

start();
