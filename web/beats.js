// Beats and Reference, below the form: the run's beat log (newest last), a
// trend of one or two readouts, when the run settled, and the reference held
// with its comparison. Everything shown comes from the model's own log and
// comparison, as the desktop panel shows them; the panel only shows.
'use strict';

const shownBeats = 100; // rows in the page's table; the saved table has them all
const trendBeats = 60;

// A text written again, even unchanged, has the browser lay it out and
// paint it again; the panel writes each only when it changes.
/** @param {HTMLElement} element @param {string} text */
function showText(element, text) {
  if (element.textContent !== text)
    element.textContent = text;
}

class BeatPanel {
  /**
   * @param {Simulator} simulator
   * @param {RunFiles} runFiles
   */
  constructor(simulator, runFiles) {
    this.simulator = simulator;
    this.bridge = simulator.bridge;
    this.runFiles = runFiles;
    /** @type {string[]} */
    this.columns = this.bridge.beatColumns();
    /** @type {Array<Array<string | number>>} the latest rows, for the trend */
    this.rows = [];
    this.seen = -1; // beats since load when last shown
    this.heldTick = -1; // of the reference last shown

    const section = /** @type {HTMLElement} */ (document.getElementById('beats'));
    this.section = section;
    this.steady = create('p', 'steadyMark', null, section);
    this.steady.setAttribute('role', 'status');
    const scroller = create('div', null, 'beatLog', section);
    this.table = /** @type {HTMLTableElement} */ (create('table', 'beatLog', null, scroller));
    attributeIn(this.bridge, this.table, 'aria-label', 'beats.log');
    this.head = create('tr', null, null, create('thead', null, null, this.table));
    for (const name of this.columns)
      create('th', null, null, this.head).textContent = name;
    this.body = create('tbody', null, null, this.table);
    this.scroller = scroller;

    const choice = create('p', null, 'trendChoice', section);
    textIn(this.bridge, create('span', null, null, choice), 'beats.trend');
    choice.append(' ');
    const readouts = this.columns.slice(3, 16);
    const select = (/** @type {string} */ label, /** @type {boolean} */ none) => { // label: its text's key
      const box = /** @type {HTMLSelectElement} */ (create('select', null, null, choice));
      attributeIn(this.bridge, box, 'aria-label', label);
      if (none)
        box.add(/** @type {HTMLOptionElement} */ (textIn(this.bridge, new Option('', '0'), 'beats.trend.none')));
      readouts.forEach((name, index) => box.add(new Option(name, String(index + 1))));
      box.addEventListener('change', () => this.drawTrend());
      return box;
    };
    this.first = select('beats.trend.first', false);
    this.second = select('beats.trend.second', true);
    this.first.value = '3'; // stroke volume
    this.second.value = '1'; // and aortic pressure
    this.trend = /** @type {HTMLCanvasElement} */ (create('canvas', 'trend', null, section));
    this.trend.width = 480;
    this.trend.height = 110;
    this.trend.setAttribute('role', 'img');
    attributeIn(this.bridge, this.trend, 'aria-label', 'beats.trend.picture');

    const bar = create('div', null, 'beatCommands', section);
    /** @type {Object<string, HTMLButtonElement>} */
    this.buttons = {};
    // The text's key, and the access key for a text that marks none.
    for (const [id, textKey, key, run] of /** @type {Array<[string, string, string, () => void]>} */ ([
      ['holdReference', 'menu.beats.hold', 'h', () => this.hold()],
      ['clearReference', 'menu.beats.clear', 'c', () => this.clear()],
      ['saveBeatLog', 'menu.beats.save-log', 'l',
        () => this.download('talbrix-beats.csv', () => this.bridge.beatTable())],
      ['saveComparison', 'menu.beats.save-comparison', 'm',
        () => this.download('talbrix-comparison.csv', () => this.bridge.comparisonTable())],
    ])) {
      const button = /** @type {HTMLButtonElement} */ (create('button', id, null, bar));
      button.type = 'button';
      labelCommand(this.bridge, button, textKey, key);
      button.addEventListener('click', () => this.runFiles.busy || run());
      this.buttons[id] = button;
    }
    this.referenceState = create('p', 'referenceState', null, section);
    this.comparison = /** @type {HTMLTableElement} */ (create('table', 'comparison', null, section));
    attributeIn(this.bridge, this.comparison, 'aria-label', 'beats.comparison');
    const comparisonHead = create('tr', null, null, create('thead', null, null, this.comparison));
    for (const key of ['beats.comparison.readout', 'beats.comparison.unit', 'beats.comparison.reference',
      'beats.comparison.now', 'beats.comparison.difference', 'beats.comparison.difference-percent'])
      textIn(this.bridge, create('th', null, null, comparisonHead), key);
    this.comparisonBody = /** @type {HTMLTableSectionElement} */ (create('tbody', null, null, this.comparison));
    this.changes = create('p', 'changedControls', null, section);
    // A new comparison is announced once, politely; the table is read on demand.
    this.announcement = create('p', 'comparisonNote', 'visuallyHidden', section);
    this.announcement.setAttribute('aria-live', 'polite');
    simulator.afterView.push(() => this.show());
    // Another run opened: everything shown is of the old one.
    document.addEventListener('talbrix-run-replaced', () => { this.seen = -1; });
    // Another language: the log's own columns and rhythms, the steady mark
    // and the reference's state are said anew.
    document.addEventListener('talbrix-language-changed', () => {
      this.columns = this.bridge.beatColumns();
      this.columns.forEach((name, index) => showText(/** @type {HTMLElement} */ (this.head.children[index]), name));
      this.seen = this.heldTick = -1;
      this.show();
    });
  }

  get open() {
    return !this.section.hidden;
  }

  toggle() {
    this.section.hidden = !this.section.hidden;
    this.seen = -1;
    this.show();
  }

  hold() {
    this.bridge.holdReference();
    this.simulator.plot.showReference(this.bridge);
    this.seen = -1;
    this.show();
  }

  clear() {
    this.bridge.clearReference();
    this.simulator.plot.showReference(this.bridge);
    this.seen = -1;
    this.show();
  }

  /** @param {string} name @param {() => string} table made in the form chosen for tables */
  download(name, table) {
    this.runFiles.useTableForm();
    this.runFiles.download(name, new Blob([table()], { type: 'text/csv' }));
  }

  // After each view of the model: anything new since the last beat shown.
  // Between beats nothing in the panel changes, so a frame costs it one
  // call; it reads the log and the comparison only when a beat has come.
  show() {
    const beats = this.bridge.beatCount();
    if (!this.open || beats === this.seen)
      return;
    const comparison = this.bridge.comparison();
    this.buttons.clearReference.disabled = this.buttons.saveComparison.disabled = !comparison;
    const fresh = beats < this.seen || this.seen < 0;
    // Read before anything is written, while the page's layout is still the
    // last frame's: a student who scrolled up to read an earlier beat stays
    // there; one at the newest beat follows the log.
    const following = this.scroller.scrollTop + this.scroller.clientHeight >= this.scroller.scrollHeight - 2;
    const update = this.bridge.beats(fresh ? 0 : this.seen);
    this.seen = beats;
    if (fresh) {
      this.body.replaceChildren();
      this.rows = [];
    }
    for (const row of update.rows.slice(-shownBeats)) {
      const line = create('tr', null, null, this.body);
      for (const cell of row)
        create('td', null, null, line).textContent = String(cell);
    }
    while (this.body.children.length > shownBeats)
      /** @type {Element} */ (this.body.firstElementChild).remove();
    this.rows = this.rows.concat(update.rows).slice(-trendBeats);
    showText(this.steady, update.steady === null ? this.bridge.textOf('beats.not-steady')
      : this.bridge.textOf('beats.steady', update.steady));
    this.drawTrend();
    this.showComparison(comparison);
    // Last: reading the log's height lays the page out, and a change after
    // it would have it laid out again.
    if (following || fresh)
      this.scroller.scrollTop = this.scroller.scrollHeight;
  }

  /** @param {{tick: number, readouts: string[][], changes: string[]} | null} comparison */
  showComparison(comparison) {
    if (!comparison) {
      showText(this.referenceState, this.bridge.textOf('beats.no-reference'));
      this.comparisonBody.replaceChildren();
      showText(this.changes, '');
      this.heldTick = -1;
      return;
    }
    const seconds = (comparison.tick / 100).toFixed(2);
    showText(this.referenceState, this.bridge.textOf('beats.reference-held', comparison.tick, seconds));
    // The cells stay from beat to beat and only those whose text changed
    // are written (the names, units and reference values do not), so each
    // beat lays out and paints less of the table.
    const body = this.comparisonBody;
    if (body.rows.length !== comparison.readouts.length) {
      body.replaceChildren();
      for (const row of comparison.readouts) {
        const line = create('tr', null, null, body);
        row.forEach(() => create('td', null, null, line));
      }
    }
    comparison.readouts.forEach((row, index) =>
      row.forEach((cell, column) => showText(body.rows[index].cells[column], cell)));
    showText(this.changes, comparison.changes.length
      ? this.bridge.textOf('beats.changed', comparison.changes.join('; ')) : this.bridge.textOf('beats.no-change'));
    if (comparison.tick !== this.heldTick) {
      this.heldTick = comparison.tick;
      this.announcement.textContent = this.referenceState.textContent + '. ' + this.changes.textContent;
    }
  }

  // Each readout on its own scale over the latest beats, its range above.
  drawTrend() {
    const context = /** @type {CanvasRenderingContext2D} */ (this.trend.getContext('2d'));
    const { width, height } = this.trend;
    context.fillStyle = '#ffffff';
    context.fillRect(0, 0, width, height);
    context.font = '12px "Talbrix Sans", sans-serif';
    if (this.rows.length < 2)
      return;
    const chosen = [[Number(this.first.value), '#000000'], [Number(this.second.value), '#0000ff']];
    chosen.forEach(([readout, colour], index) => {
      if (!readout)
        return;
      const values = this.rows.map((row) => parseFloat(String(row[2 + Number(readout)])) || 0);
      const low = Math.min(...values), high = Math.max(...values);
      const span = high > low ? high - low : 1;
      context.strokeStyle = context.fillStyle = String(colour);
      context.beginPath();
      values.forEach((value, i) => {
        const x = 6 + ((width - 12) * i) / (trendBeats - 1), y = height - 6 - ((height - 24) * (value - low)) / span;
        i ? context.lineTo(x, y) : context.moveTo(x, y);
      });
      context.stroke();
      context.fillText(`${this.columns[2 + Number(readout)]}: ${low} - ${high}`, 6 + (index * width) / 2, 13);
    });
  }
}
