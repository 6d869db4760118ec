// The one place that touches the WebAssembly module: its exported
// functions, its heap and its strings. Everything else in the page asks the
// bridge in the page's own terms (readouts and sliders by number, texts as
// strings, a file as its bytes) and never sees a pointer.
'use strict';

// The module's own string reader drops a leading byte-order mark, which a
// table for decimal-comma spreadsheets must keep: tables are read with this.
const tableDecoder = new TextDecoder('utf-8', { ignoreBOM: true });

/**
 * A table's text from the module's heap, as it stands.
 * @param {any} module
 * @param {number} pointer to a NUL-terminated string
 */
function tableText(module, pointer) {
  const heap = /** @type {Uint8Array} */ (module.HEAPU8);
  return tableDecoder.decode(heap.subarray(pointer, heap.indexOf(0, pointer)));
}

/** What a job reports after each slice of its work. */
const JobState = Object.freeze({ running: 0, finished: 1, failed: 2 });

/**
 * A replay the module runs a slice at a time: opening a scenario, or
 * writing the table of the run so far. Only one job exists at a time.
 */
class Job {
  /** @param {any} module */
  constructor(module) {
    this.module = module;
  }

  /**
   * Does up to `budget` units of work (a line read, a tick run).
   * @param {number} budget
   * @returns {number} a JobState
   */
  advance(budget) {
    return this.module._talbrix_job_advance(budget);
  }

  /** True when the file was refused before any tick ran. */
  refused() {
    return this.module._talbrix_job_refused() === 1;
  }

  /**
   * @returns {number} 0..1
   */
  progress() {
    return this.module._talbrix_job_progress();
  }

  /** Why the job was refused or failed, in the runner's words. */
  error() {
    return this.module.UTF8ToString(this.module._talbrix_job_error());
  }

  /** The table text written since the last call. */
  takeChunk() {
    return tableText(this.module, this.module._talbrix_job_take_chunk());
  }

  /** A finished opening becomes the page's run; ends the job. */
  adopt() {
    this.module._talbrix_job_adopt();
  }

  end() {
    this.module._talbrix_job_end();
  }
}

class Bridge {
  /** @param {any} module */
  constructor(module) {
    this.module = module;
    /** The form's table, as the desktop window reads it. */
    this.form = JSON.parse(module.UTF8ToString(module._talbrix_form_json()));
  }

  /**
   * @returns {Promise<Bridge>}
   */
  static async start() {
    // The page carries the module's bytes compressed, in base64.
    const packed = /** @type {HTMLElement} */ (document.getElementById('talbrixModule')).textContent || '';
    const bytes = Uint8Array.from(atob(packed.trim()), (letter) => letter.charCodeAt(0));
    const unpacked = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    const wasmBinary = await new Response(unpacked).arrayBuffer();
    return new Bridge(await createTalbrixModule({ wasmBinary }));
  }

  /**
   * Copies bytes into the module's heap for the length of one call.
   * @template T
   * @param {Uint8Array} bytes
   * @param {(pointer: number, length: number) => T} use
   * @returns {T}
   */
  withBytes(bytes, use) {
    const pointer = this.module._malloc(Math.max(1, bytes.length));
    try {
      // Read the heap only now: the allocation may have grown it.
      this.module.HEAPU8.set(bytes, pointer);
      return use(pointer, bytes.length);
    } finally {
      this.module._free(pointer);
    }
  }

  /**
   * A new window and the load step.
   * @returns {boolean}
   */
  load() {
    return this.module._talbrix_load() === 0;
  }

  /**
   * @param {number} slider 1..6
   * @param {number} position
   */
  setSlider(slider, position) {
    this.module._talbrix_set_slider(slider, position);
  }

  /** @param {number} option 1 fibrillates, 2 defibrillates */
  selectOption(option) {
    this.module._talbrix_select_option(option);
  }

  /**
   * @param {number} readout 1..13
   * @param {string} text
   */
  setText(readout, text) {
    this.withBytes(new TextEncoder().encode(text),
      (pointer, length) => this.module._talbrix_set_text(readout, pointer, length));
  }

  /**
   * Runs up to `count` ticks; a run-time error stops at the failing tick.
   * @param {number} count
   * @returns {number} how many ran
   */
  ticks(count) {
    return this.module._talbrix_ticks(count);
  }

  /** The name of the run-time error that ended the run, or "". */
  error() {
    return this.module.UTF8ToString(this.module._talbrix_error());
  }

  /**
   * How often the model has written a readout's box.
   * @param {number} readout
   */
  writes(readout) {
    return this.module._talbrix_publish_count(readout);
  }

  /** @param {number} readout */
  text(readout) {
    return this.module.UTF8ToString(this.module._talbrix_text(readout));
  }

  /** How often the plot was cleared. */
  clears() {
    return this.module._talbrix_clear_count();
  }

  /** Points plotted since the last clear. */
  pointCount() {
    return this.module._talbrix_point_count();
  }

  /**
   * Visits the points from index `from` on as pixels of the drawing area
   * and their colours (0xRRGGBB); points that fall outside it are skipped.
   * @param {number} from
   * @param {(column: number, row: number, rgb: number) => void} visit
   */
  forEachPixel(from, visit) {
    const count = this.pointCount() - from;
    if (count > 0)
      this.visitPixels(this.module._talbrix_pixels(from), count, visit);
  }

  /**
   * Visits the held reference's sweep as pixels and colours, as forEachPixel.
   * @param {(column: number, row: number, rgb: number) => void} visit
   */
  forEachReferencePixel(visit) {
    const count = this.module._talbrix_reference_pixel_count();
    const pointer = this.module._talbrix_reference_pixels();
    this.visitPixels(pointer, count, visit);
  }

  /**
   * @param {number} pointer
   * @param {number} count
   * @param {(column: number, row: number, rgb: number) => void} visit
   */
  visitPixels(pointer, count, visit) {
    const recordBytes = 8; // int16 column, int16 row, uint32 colour
    const view = new DataView(this.module.HEAPU8.buffer, pointer, count * recordBytes);
    for (let i = 0; i < count; ++i) {
      const column = view.getInt16(i * recordBytes, true);
      if (column >= 0)
        visit(column, view.getInt16(i * recordBytes + 2, true), view.getUint32(i * recordBytes + 4, true));
    }
  }

  /** The beat log's column names. @returns {string[]} */
  beatColumns() {
    return JSON.parse(this.module.UTF8ToString(this.module._talbrix_beat_columns()));
  }

  /** Beats since load. @returns {number} */
  beatCount() {
    return this.module._talbrix_beat_count();
  }

  /**
   * The kept beats after beat `after`, and the steady mark.
   * @param {number} after
   * @returns {{beats: number, steady: number | null, rows: Array<Array<string | number>>}}
   */
  beats(after) {
    return JSON.parse(this.module.UTF8ToString(this.module._talbrix_beats(after)));
  }

  /** The beat log as the table talbrix-trace --beats prints. */
  beatTable() {
    return tableText(this.module, this.module._talbrix_beat_table());
  }

  holdReference() {
    this.module._talbrix_hold_reference();
  }

  clearReference() {
    this.module._talbrix_clear_reference();
  }

  /**
   * The held reference beside the run, or null.
   * @returns {{tick: number, readouts: string[][], changes: string[]} | null}
   */
  comparison() {
    return JSON.parse(this.module.UTF8ToString(this.module._talbrix_comparison()));
  }

  /** The comparison as the table talbrix-trace --comparison prints. */
  comparisonTable() {
    return tableText(this.module, this.module._talbrix_comparison_table());
  }

  /** @param {number} slider 1..6 */
  slider(slider) {
    return this.module._talbrix_slider(slider);
  }

  /** 0: no option button selected, 1: Option1, 2: Option2. */
  option() {
    return this.module._talbrix_option();
  }

  /** Ticks in the run from load, an opened run's included. */
  runTicks() {
    return this.module._talbrix_run_ticks();
  }

  /** The run so far as a scenario. */
  scenario() {
    return this.module.UTF8ToString(this.module._talbrix_scenario());
  }

  /**
   * Why a file of this size is not opened at all, or "".
   * @param {number} bytes
   */
  openRefusal(bytes) {
    return this.module.UTF8ToString(this.module._talbrix_open_refusal(bytes));
  }

  /**
   * Begins opening a scenario from its file's bytes.
   * @param {Uint8Array} bytes
   */
  openJob(bytes) {
    this.withBytes(bytes, (pointer, length) => this.module._talbrix_job_open(pointer, length));
    return new Job(this.module);
  }

  /**
   * The form of the tables made from now on (the run's, the beat log, the
   * comparison): for spreadsheets that read a decimal comma, or standard.
   * @param {boolean} decimalComma
   */
  tableForm(decimalComma) {
    this.module._talbrix_table_form(decimalComma ? 1 : 0);
  }

  /** Begins writing the table of the run so far. */
  tableJob() {
    this.module._talbrix_job_table();
    return new Job(this.module);
  }

  // --- Lessons ---

  /** @returns {Array<{title: string, notes: string[]}>} the lessons that ship */
  lessons() {
    return JSON.parse(this.module.UTF8ToString(this.module._talbrix_lessons()));
  }

  /** @param {number} index */
  shippedLesson(index) {
    return this.module.UTF8ToString(this.module._talbrix_shipped_lesson(index));
  }

  /**
   * What a file is: 0 a scenario, 1 a lesson, 2 a result (both read and
   * checked, waiting for lessonJob()), -1 one with a mistake (openingError()).
   * @param {Uint8Array} bytes
   * @returns {number}
   */
  prepare(bytes) {
    return this.withBytes(bytes, (pointer, length) => this.module._talbrix_prepare(pointer, length));
  }

  openingError() {
    return this.module.UTF8ToString(this.module._talbrix_opening_error());
  }

  openingTitle() {
    return this.module.UTF8ToString(this.module._talbrix_opening_title());
  }

  /** Replays what the lesson being opened starts from. */
  lessonJob() {
    this.module._talbrix_job_open_lesson();
    return new Job(this.module);
  }

  /** @param {string} student */
  lessonBegin(student) {
    this.withBytes(new TextEncoder().encode(student),
      (pointer, length) => this.module._talbrix_lesson_begin(pointer, length));
  }

  /**
   * @param {boolean} running
   * @returns {number} 1 the panel changed, 2 a control the lesson set, 3 both
   */
  lessonWatch(running) {
    return this.module._talbrix_lesson_watch(running ? 1 : 0);
  }

  /**
   * @param {string} id
   * @param {string} item
   * @param {string} value
   * @returns {boolean} whether the lesson took it
   */
  lessonAnswer(id, item, value) {
    return this.withBytes(new TextEncoder().encode(`${id}\t${item}\t${value}`),
      (pointer, length) => this.module._talbrix_lesson_answer(pointer, length)) === 1;
  }

  lessonClose() {
    this.module._talbrix_lesson_close();
  }

  lessonBack() {
    this.module._talbrix_lesson_back();
  }

  /**
   * @param {boolean} running
   * @returns {boolean} true when it finished the lesson
   */
  lessonNext(running) {
    return this.module._talbrix_lesson_next(running ? 1 : 0) === 1;
  }

  lessonUnsaved() {
    return this.module._talbrix_lesson_unsaved() === 1;
  }

  /** The result file's text: the answers and the run so far. */
  lessonResult() {
    return this.module.UTF8ToString(this.module._talbrix_lesson_result());
  }

  lessonSaved() {
    this.module._talbrix_lesson_saved();
  }

  // --- A case by link ---

  /** The open lesson's text, or "" when none is open. */
  lessonText() {
    return this.module.UTF8ToString(this.module._talbrix_lesson_text());
  }

  /**
   * The page's address with `text` as its case.
   * @param {string} address
   * @param {string} text
   */
  caseLink(address, text) {
    const encoder = new TextEncoder();
    return this.withBytes(encoder.encode(address), (addressAt, addressLength) =>
      this.withBytes(encoder.encode(text), (textAt, textLength) =>
        this.module.UTF8ToString(this.module._talbrix_case_link(addressAt, addressLength, textAt, textLength))));
  }

  /**
   * The case an address carries: null for an address without one, else its
   * text or why it cannot be read.
   * @param {string} address
   * @returns {{ text: string, error: string } | null}
   */
  readCaseLink(address) {
    const found = this.withBytes(new TextEncoder().encode(address),
      (pointer, length) => this.module._talbrix_read_case_link(pointer, length));
    if (found !== 1)
      return null;
    return {
      text: this.module.UTF8ToString(this.module._talbrix_case_link_text()),
      error: this.module.UTF8ToString(this.module._talbrix_case_link_error()),
    };
  }

  /**
   * What to say beside a link of `characters` characters; "" when it is short.
   * @param {number} characters
   */
  longLinkWord(characters) {
    return this.module.UTF8ToString(this.module._talbrix_long_link_word(characters));
  }

  /** @returns {any} the step shown, as the panel draws it, or null */
  lessonView() {
    return JSON.parse(this.module.UTF8ToString(this.module._talbrix_lesson_view()));
  }

  /**
   * For tests: a sweep time the controls cannot reach.
   * @param {number} seconds
   */
  testSetTime(seconds) {
    this.module._talbrix_test_set_time(seconds);
  }

  // --- Texts ---

  /**
   * Chooses the language of the texts around the form: the first of the
   * preferences (BCP 47 tags, most preferred first) that ships, else English.
   * @param {readonly string[]} preferred
   * @returns {string} the tag of the language in use
   */
  useLanguage(preferred) {
    return this.module.UTF8ToString(this.withBytes(new TextEncoder().encode(preferred.join('\n')),
      (pointer, length) => this.module._talbrix_use_language(pointer, length)));
  }

  /**
   * The access key of a text of the language in use, lower case: the letter
   * its & marks, or "" for a text without one.
   * @param {string} key as in languages/en.texts
   */
  accessKey(key) {
    return this.module.UTF8ToString(this.withBytes(new TextEncoder().encode(key),
      (pointer, length) => this.module._talbrix_access_key(pointer, length)));
  }

  /**
   * The languages that ship, each by its tag and its name in itself.
   * @returns {Array<[string, string]>}
   */
  languages() {
    return JSON.parse(this.module.UTF8ToString(this.module._talbrix_languages()));
  }

  /**
   * A text of the language in use, its %1, %2 ... filled from `values`.
   * @param {string} key as in languages/en.texts
   * @param {...(string|number)} values
   * @returns {string}
   */
  textOf(key, ...values) {
    return this.module.UTF8ToString(this.withBytes(new TextEncoder().encode([key, ...values.map((value) => String(value).replace(/\t/g, ' '))].join('\t')),
      (pointer, length) => this.module._talbrix_catalogue_text(pointer, length)));
  }
}
