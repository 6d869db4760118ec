// The plot, Picture1: the model's points as whole form pixels above the
// grid, one crisp square of device pixels each at any zoom, drawn again from
// the model's record when the scale changes.
'use strict';

// The points lie on one canvas across the drawing area: the browser hands
// every canvas it shows to its compositor on every frame, changed or not,
// so narrow strips cost more than they save, and at a fractional zoom their
// seams smear a point over two device pixels.
const stripWidth = Infinity;

class Plot {
  /**
   * @param {any} design the picture's row of the table
   * @param {HTMLElement} parent
   * @param {{left: number, top: number, width: number, height: number}} box where it stands, in pixels
   */
  constructor(design, parent, box) {
    const element = create('div', design.name, 'picture', parent);
    element.tabIndex = 0;
    element.setAttribute('role', 'img');
    element.setAttribute('aria-label', design.accessibleName);
    placeAt(element, box);
    this.width = box.width - 2 * design.border;
    this.height = box.height - 2 * design.border;
    this.area = create('div', null, 'drawing', element);
    this.area.style.width = this.width + 'px';
    this.area.style.height = this.height + 'px';
    /** @type {Array<{canvas: HTMLCanvasElement, context: CanvasRenderingContext2D, left: number, width: number, deviceLeft: number}>} */
    this.strips = [];
    for (let left = 0; left < this.width; left += stripWidth) {
      const canvas = /** @type {HTMLCanvasElement} */ (create('canvas', null, 'points', this.area));
      const width = Math.min(stripWidth, this.width - left);
      canvas.style.left = left + 'px';
      canvas.style.width = width + 'px';
      // Drawn by the processor: single pixels cost less there than through
      // a graphics process. Desynchronized, a frame that only adds points
      // goes to the screen without the page's own frame being made again.
      const context = /** @type {CanvasRenderingContext2D} */ (canvas.getContext('2d', { willReadFrequently: true, desynchronized: true }));
      this.strips.push({ canvas, context, left, width, deviceLeft: 0 });
    }
    // A held reference's sweep, beneath the points and above the grid;
    // hidden while none is held, so the plot is then as it always was.
    this.reference = /** @type {HTMLCanvasElement} */ (create('canvas', null, 'points reference', this.area));
    this.reference.hidden = true;
    this.referenceContext = /** @type {CanvasRenderingContext2D} */ (this.reference.getContext('2d'));
    /** @type {Bridge | null} the bridge the reference was last drawn from */
    this.referenceSource = null;
    // The colour each pixel shows (-1: none), so that a point landing on a
    // pixel of its own colour, as most do, leaves the canvas untouched.
    this.shown = new Int32Array(this.width * this.height);
    this.element = element;
    this.drawn = 0;
    this.clears = 0;
    this.scale = 0;
  }

  // Puts the strips above whatever was added to the area since (the grid).
  raise() {
    this.area.appendChild(this.reference);
    for (const strip of this.strips)
      this.area.appendChild(strip.canvas);
  }

  // Keeps one backing pixel per device pixel, so a point is one crisp form
  // pixel at any zoom, the browser's and the page's together (a whole
  // square of device pixels when they multiply to a whole number, as the
  // page's own scale sees to); returns true when the strips had to be redrawn.
  fitScale() {
    const scale = deviceScale();
    if (scale === this.scale)
      return false;
    this.scale = scale;
    for (const strip of this.strips) {
      strip.deviceLeft = Math.round(strip.left * scale);
      strip.canvas.width = Math.round((strip.left + strip.width) * scale) - strip.deviceLeft;
      strip.canvas.height = Math.round(this.height * scale);
    }
    this.reference.style.width = this.width + 'px';
    this.reference.width = Math.round(this.width * scale);
    this.reference.height = Math.round(this.height * scale);
    if (this.referenceSource)
      this.showReference(this.referenceSource);
    return true;
  }

  // Draws the points the model plotted since the last call; after a clear,
  // or a change of scale, it starts from the first point since the clear.
  /** @param {Bridge} bridge */
  update(bridge) {
    const clears = bridge.clears();
    if (this.fitScale() || clears !== this.clears) {
      this.clears = clears;
      this.drawn = 0;
      this.shown.fill(-1);
      for (const strip of this.strips)
        strip.context.clearRect(0, 0, strip.canvas.width, strip.canvas.height);
    }
    bridge.forEachPixel(this.drawn, (column, row, rgb) => this.drawPoint(column, row, rgb));
    this.drawn = bridge.pointCount();
  }

  /**
   * Draws the held reference's sweep, or hides it when none is held.
   * @param {Bridge} bridge
   */
  showReference(bridge) {
    const context = this.referenceContext;
    context.clearRect(0, 0, this.reference.width, this.reference.height);
    let drawn = 0;
    bridge.forEachReferencePixel((column, row, rgb) => {
      context.fillStyle = '#' + rgb.toString(16).padStart(6, '0');
      const left = Math.round(column * this.scale), top = Math.round(row * this.scale);
      context.fillRect(left, top, Math.round((column + 1) * this.scale) - left, Math.round((row + 1) * this.scale) - top);
      ++drawn;
    });
    this.reference.hidden = drawn === 0;
    this.referenceSource = drawn ? bridge : null;
  }

  /**
   * @param {number} column
   * @param {number} row
   * @param {number} colour 0xRRGGBB
   */
  drawPoint(column, row, colour) {
    const index = row * this.width + column;
    if (this.shown[index] === colour)
      return;
    this.shown[index] = colour;
    const strip = this.strips[Math.floor(column / stripWidth)];
    const scale = this.scale;
    const left = Math.round(column * scale), top = Math.round(row * scale);
    strip.context.fillStyle = '#' + colour.toString(16).padStart(6, '0');
    strip.context.fillRect(left - strip.deviceLeft, top, Math.round((column + 1) * scale) - left,
      Math.round((row + 1) * scale) - top);
  }
}

