// The track bar: whole positions 0..10, small change 1, large 5, drawn and
// moved as the desktop's: keys, a drag of the handle, a press in the channel
// that pages towards the pointer, and the wheel.
'use strict';

const handleWidth = 15; // pixels of a slider's thumb, as the desktop style draws it
const wheelNotch = 100; // pixels a browser scrolls for one notch of a mouse wheel

class TrackBar {
  /**
   * @param {any} design the slider's row of the table
   * @param {HTMLElement} parent
   * @param {{left: number, top: number, width: number, height: number}} box where it stands, in pixels
   */
  constructor(design, parent, box) {
    /** @type {number} */
    this.value = design.value;
    /** @type {Array<(position: number) => void>} */
    this.listeners = [];
    this.wheelRemainder = 0;
    const element = create('div', design.name, 'slider', parent);
    element.tabIndex = 0;
    element.setAttribute('role', 'slider');
    element.setAttribute('aria-orientation', 'horizontal');
    element.setAttribute('aria-valuemin', '0');
    element.setAttribute('aria-valuemax', '10');
    placeAt(element, box);
    this.element = element;
    this.groove = create('div', null, 'groove', element);
    this.filled = create('div', null, 'filled', this.groove);
    this.handle = create('div', null, 'handle', element);
    const ticks = create('div', null, 'ticks', element);
    this.width = box.width;
    for (let position = 0; position <= 10; ++position) {
      // The end marks are a pixel longer than the others.
      const tick = create('div', null, position % 10 ? 'tick' : 'tick end', ticks);
      tick.style.left = this.positionX(position) + 'px';
    }
    element.addEventListener('keydown', (event) => this.onKey(event));
    element.addEventListener('pointerdown', (event) => this.onPointerDown(event));
    element.addEventListener('wheel', (event) => this.onWheel(event), { passive: false });
    this.show();
  }

  // The handle's left edge for a position, in pixels from the slider's
  // left: the span it travels, divided as the desktop divides it (rounded
  // half up), so the handle and the marks stand on the desktop's pixels.
  /** @param {number} position */
  handleLeft(position) {
    return Math.floor(((this.width - handleWidth) * position) / 10 + 0.5);
  }

  // The handle's centre pixel, where the position's tick mark stands.
  /** @param {number} position */
  positionX(position) {
    return this.handleLeft(position) + Math.floor(handleWidth / 2);
  }

  // The element's box on the screen is its width in pixels times whatever
  // scale the page is shown at (a CSS zoom, the browser's zoom), so the
  // pointer is mapped back through that scale.
  /** @param {number} clientX */
  positionAt(clientX) {
    const shown = this.element.getBoundingClientRect();
    const x = ((clientX - shown.left) * this.width) / shown.width;
    const span = this.width - handleWidth;
    return Math.min(10, Math.max(0, Math.round(((x - handleWidth / 2) * 10) / span)));
  }

  /** @param {number} position */
  set(position) {
    position = Math.min(10, Math.max(0, position));
    if (position === this.value)
      return;
    this.value = position;
    this.show();
    for (const listener of this.listeners)
      listener(position);
  }

  show() {
    this.handle.style.left = this.handleLeft(this.value) + 'px';
    // The filled part of the groove (which starts a pixel in) runs to
    // under the handle's centre.
    this.filled.style.width = this.positionX(this.value) - 1 + 'px';
    this.element.setAttribute('aria-valuenow', String(this.value));
  }

  // The classic desktop track bar: Up and Page Up move towards 0.
  /** @param {KeyboardEvent} event */
  onKey(event) {
    /** @type {Object<string, number>} */
    const moves = {
      ArrowLeft: -1, ArrowUp: -1, ArrowRight: 1, ArrowDown: 1, PageUp: -5, PageDown: 5,
    };
    if (event.altKey || event.ctrlKey || event.metaKey)
      return;
    if (event.key in moves)
      this.set(this.value + moves[event.key]);
    else if (event.key === 'Home')
      this.set(0);
    else if (event.key === 'End')
      this.set(10);
    else
      return;
    event.preventDefault();
  }

  // A press on the handle drags it from position to position; a press in
  // the channel pages by 5 towards the pointer, and keeps paging while held.
  /** @param {PointerEvent} event */
  onPointerDown(event) {
    if (event.button !== 0)
      return;
    event.preventDefault();
    this.element.focus();
    this.element.setPointerCapture(event.pointerId);
    const handleBox = this.handle.getBoundingClientRect();
    const onHandle = event.clientX >= handleBox.left && event.clientX < handleBox.right;
    let target = event.clientX;
    /** @type {number | undefined} */
    let repeat;
    const page = () => {
      const box = this.handle.getBoundingClientRect();
      if (target < box.left)
        this.set(this.value - 5);
      else if (target >= box.right)
        this.set(this.value + 5);
    };
    const move = (/** @type {PointerEvent} */ moveEvent) => {
      target = moveEvent.clientX;
      if (onHandle)
        this.set(this.positionAt(target));
    };
    const release = () => {
      clearTimeout(repeat);
      clearInterval(repeat);
      this.element.removeEventListener('pointermove', move);
      this.element.removeEventListener('pointerup', release);
      this.element.removeEventListener('pointercancel', release);
    };
    this.element.addEventListener('pointermove', move);
    this.element.addEventListener('pointerup', release);
    this.element.addEventListener('pointercancel', release);
    if (!onHandle) {
      page();
      repeat = setTimeout(() => { repeat = setInterval(page, 50); }, 500);
    }
  }

  // One position per notch of the wheel, towards 0 when rolled up, as the
  // Up key moves it. A mouse sends one event a notch; a touchpad sends many
  // small ones, which count as a notch once they add up to one.
  /** @param {WheelEvent} event */
  onWheel(event) {
    const delta = event.deltaMode === 0 ? event.deltaY : event.deltaY * 100;
    if (delta === 0)
      return;
    event.preventDefault();
    if (Math.sign(delta) !== Math.sign(this.wheelRemainder))
      this.wheelRemainder = 0;
    this.wheelRemainder += delta;
    if (Math.abs(delta) < wheelNotch / 2 && Math.abs(this.wheelRemainder) < wheelNotch)
      return;
    this.wheelRemainder = 0;
    this.set(this.value + (delta < 0 ? -1 : 1));
  }
}

