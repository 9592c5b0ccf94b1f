// Reads back what a rendered Report.htm shows, as plain data for check_reports.py. Runs in the
// page after its load event. Clicks the page's own buttons (a month, the list order) the way a
// reader does and puts the page back in date order afterwards.
(() => {
  const body = document.body;
  const text = (node) => (node ? node.textContent.replace(/\s+/g, ' ').trim() : null);
  const shown = (node) => !!node && node.getClientRects().length > 0;
  const visibleDates = (table, count) => {
    const dates = [];
    if (!table) return dates;
    for (const row of table.querySelectorAll('tr.entry')) {
      if (!shown(row)) continue;
      dates.push(text(row.cells[0]));
      if (dates.length >= count) break;
    }
    return dates;
  };
  const points = (line) => (line ? line.getAttribute('points').trim().split(/\s+/).filter(Boolean)
    .map((p) => p.split(',').map(Number)) : []);

  const result = {
    ready: body.getAttribute('data-report'),
    error: body.getAttribute('data-script-error'),
    entries: Number(body.getAttribute('data-entries')),
    plainRows: document.querySelectorAll('#entries > tr[data-entry]').length,
    plainTableShown: shown(document.getElementById('log')),
    plainOrder: [...document.querySelectorAll('#entries > tr[data-entry]')].slice(0, 40)
      .map((row) => text(row.querySelector('[data-m="date"]'))),
    scriptOffShown: shown(document.getElementById('script-off')),
    drawnMs: Number(body.getAttribute('data-drawn-ms')),
    title: document.title,
    injected: typeof window.injected === 'undefined' ? null : String(window.injected),
    overview: text(document.getElementById('overview')),
    chartEmpty: shown(document.getElementById('chart-empty')) ? text(document.getElementById('chart-empty')) : null,
    summaryShown: shown(document.getElementById('summary-section')),
    summary: {},
    panels: {},
  };

  for (const row of document.querySelectorAll('#summary tbody tr')) {
    const cells = row.cells;
    const value = (cell) => (cell.querySelector('.v') ? text(cell.querySelector('.v')) : text(cell));
    if (cells.length < 7) continue;
    result.summary[row.getAttribute('data-m')] = {
      first: value(cells[1]),
      firstDate: text(cells[1].querySelector('.sub')),
      latest: value(cells[2]),
      latestNote: text(cells[2].querySelector('.sub')),
      stale: text(cells[2].querySelector('.stale')),
      change: text(cells[3]),
      recentPerWeek: text(cells[4]),
      perWeek: text(cells[5]),
      count: text(cells[6]),
    };
  }

  const note = document.getElementById('unread-note');
  const attr = (node, name) => (node ? node.getAttribute(name) : null);
  result.note = {
    shown: shown(note),
    values: note ? Number(attr(note, 'data-unread-values')) : null,
    dates: note ? Number(attr(note, 'data-unread-dates')) : null,
    measures: attr(note, 'data-measures'),
    text: text(note),
  };

  for (const panel of document.querySelectorAll('svg.panel')) {
    const values = points(panel.querySelector('polyline[data-kind="values"]'));
    const frame = panel.querySelector('rect');
    const width = panel.viewBox.baseVal.width;
    result.panels[panel.getAttribute('data-panel')] = {
      lo: Number(panel.getAttribute('data-lo')),
      hi: Number(panel.getAttribute('data-hi')),
      values: Number(panel.getAttribute('data-values')),
      points: values.length,
      averagePoints: points(panel.querySelector('polyline[data-kind="average"]')).length,
      dots: panel.querySelectorAll('circle.point').length,
      plotHeight: frame ? Number(frame.getAttribute('height')) : 0,
      // How far the line moves from its first to its last value, in drawn pixels.
      travel: values.length ? Math.abs(values[0][1] - values[values.length - 1][1]) : 0,
      leftToRight: values.every((p, i) => i === 0 || p[0] >= values[i - 1][0]),
      inside: values.every((p) => p[0] >= 0 && p[0] <= width),
    };
  }
  result.panelOrder = Object.keys(result.panels);

  // The table as a reader finds it: in date order, a few months open.
  const section = document.getElementById('log-section');
  const dateView = document.getElementById('date-view');
  result.order = attr(section, 'data-order');
  result.dateOrder = visibleDates(dateView, 40);
  result.groups = dateView ? [...dateView.querySelectorAll('tr.month-head')].map((r) => text(r.querySelector('button'))) : [];
  result.openGroups = dateView ? dateView.querySelectorAll('tbody.month.open').length : 0;
  result.builtRows = document.querySelectorAll('#log-view tr.entry').length;
  result.visibleRows = [...document.querySelectorAll('#log-view tr.entry')].filter(shown).length;

  // An older month opens with its rows, one click away.
  const closed = dateView ? dateView.querySelector('tbody.month:not(.open) button') : null;
  result.closedMonthOpens = null;
  if (closed) {
    closed.click();
    result.closedMonthOpens = [...closed.closest('tbody').querySelectorAll('tr.entry')].filter(shown).length;
    closed.click();
  }

  // The list's own order, one click away.
  const listButton = document.getElementById('order-list');
  if (listButton && shown(listButton)) {
    listButton.click();
    result.listOrder = visibleDates(document.getElementById('list-view'), 40);
    result.listRows = document.querySelectorAll('#list-view tr.entry').length;
    result.dateViewHiddenInListOrder = !shown(dateView);
    document.getElementById('order-date').click();
  }
  return result;
})()
