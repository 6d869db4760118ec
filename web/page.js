// The simulator's window in a page. The form is built from the same table of
// controls as the desktop window (handed over by the module as JSON), and the
// model, the number texts and the in-memory window are the desktop's own C++
// compiled to WebAssembly; this script only shows the controls, forwards what
// the user does, and keeps time.
'use strict';

(function () {
  const twips = 15; // per CSS pixel, as at 96 dpi on the desktop
  const tickMilliseconds = 10;
  // Ticks more than this far behind the clock are dropped, not made up; a
  // fifth of a second, so that a late callback of a busy browser is caught up.
  const maxBacklogTicks = 20;
  // How often a running page catches the model up with the clock and shows
  // it: 25 times a second, as often as a film shows frames. Each showing
  // costs the browser a frame, which is most of a running page's work.
  const viewMilliseconds = 40;
  const pointBytes = 8; // int16 x, int16 y, int32 colour
  const handleWidth = 15; // pixels of a slider's thumb, as the desktop style draws it
  const wheelNotch = 100; // pixels a browser scrolls for one notch of a mouse wheel

  // The desktop's default colour scheme, by role.
  const roleColours = {
    buttonText: '#000000',
    windowText: '#000000',
    highlight: '#308cc6',
    highlightOnMenu: '#308cc6',
    shadow: '#9f9f9f',
    red: '#ff0000',
    darkBlue: '#0000c0',
  };

  const px = (value) => Math.floor(value / twips);

  function place(element, rect) {
    element.style.left = px(rect[0]) + 'px';
    element.style.top = px(rect[1]) + 'px';
    element.style.width = px(rect[2]) + 'px';
    element.style.height = px(rect[3]) + 'px';
  }

  function create(tag, id, className, parent) {
    const element = document.createElement(tag);
    if (id)
      element.id = id;
    if (className)
      element.className = className;
    parent.appendChild(element);
    return element;
  }

  // A line of the layout as a box of whole pixels: a one-pixel line covers
  // both of its end points; a thick vertical mark is centred on x and spans
  // exactly its end points (a flat cap).
  function createLine(line, parent) {
    const element = create('div', line.name, 'line', parent);
    element.setAttribute('aria-hidden', 'true');
    const x1 = px(line.x1), y1 = px(line.y1), x2 = px(line.x2), y2 = px(line.y2);
    let left, top, width, height;
    if (line.width === 1) {
      left = Math.min(x1, x2);
      top = Math.min(y1, y2);
      width = Math.abs(x2 - x1) + 1;
      height = Math.abs(y2 - y1) + 1;
    } else {
      left = x1 - Math.floor(line.width / 2);
      top = Math.min(y1, y2);
      width = line.width;
      height = Math.abs(y2 - y1);
    }
    element.style.left = left + 'px';
    element.style.top = top + 'px';
    element.style.width = width + 'px';
    element.style.height = height + 'px';
    if (line.invertsBeneath)
      element.classList.add('inverting'); // pen OR NOT beneath: the inverse, for a black pen
    else
      element.style.background = roleColours[line.colour];
    return element;
  }

  // ---- The track bar: whole positions 0..10, small change 1, large 5 ----

  class TrackBar {
    constructor(design, parent) {
      this.value = design.value;
      this.listeners = [];
      const element = create('div', design.name, 'slider', parent);
      element.tabIndex = 0;
      element.setAttribute('role', 'slider');
      element.setAttribute('aria-orientation', 'horizontal');
      element.setAttribute('aria-valuemin', '0');
      element.setAttribute('aria-valuemax', '10');
      place(element, design.rect);
      this.element = element;
      this.groove = create('div', null, 'groove', element);
      this.filled = create('div', null, 'filled', this.groove);
      this.handle = create('div', null, 'handle', element);
      const ticks = create('div', null, 'ticks', element);
      this.width = px(design.rect[2]);
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
    handleLeft(position) {
      return Math.floor(((this.width - handleWidth) * position) / 10 + 0.5);
    }

    // The handle's centre pixel, where the position's tick mark stands.
    positionX(position) {
      return this.handleLeft(position) + Math.floor(handleWidth / 2);
    }

    positionAt(clientX) {
      const x = clientX - this.element.getBoundingClientRect().left;
      const span = this.width - handleWidth;
      return Math.min(10, Math.max(0, Math.round(((x - handleWidth / 2) * 10) / span)));
    }

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
    onKey(event) {
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
    onPointerDown(event) {
      if (event.button !== 0)
        return;
      event.preventDefault();
      this.element.focus();
      this.element.setPointerCapture(event.pointerId);
      const handleBox = this.handle.getBoundingClientRect();
      const onHandle = event.clientX >= handleBox.left && event.clientX < handleBox.right;
      let target = event.clientX;
      let repeat = null;
      const page = () => {
        const box = this.handle.getBoundingClientRect();
        if (target < box.left)
          this.set(this.value - 5);
        else if (target >= box.right)
          this.set(this.value + 5);
      };
      const move = (moveEvent) => {
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
    onWheel(event) {
      const delta = event.deltaMode === 0 ? event.deltaY : event.deltaY * 100;
      if (delta === 0)
        return;
      event.preventDefault();
      if (Math.sign(delta) !== Math.sign(this.wheelRemainder || 0))
        this.wheelRemainder = 0;
      this.wheelRemainder += delta;
      if (Math.abs(delta) < wheelNotch / 2 && Math.abs(this.wheelRemainder) < wheelNotch)
        return;
      this.wheelRemainder = 0;
      this.set(this.value + (delta < 0 ? -1 : 1));
    }
  }

  // ---- The plot: points in whole CSS pixels above the grid ----

  // The points lie in vertical strips of canvas, so that a frame's new
  // points, which all fall within a pixel or two of the sweep, make the
  // browser redraw one narrow strip rather than the whole plot.
  const stripWidth = 43; // CSS pixels: 15 strips across the drawing area

  class Plot {
    constructor(design, parent) {
      const element = create('div', design.name, 'picture', parent);
      element.tabIndex = 0;
      element.setAttribute('role', 'img');
      element.setAttribute('aria-label', design.accessibleName);
      place(element, design.rect);
      this.width = px(design.rect[2]) - 2 * design.border;
      this.height = px(design.rect[3]) - 2 * design.border;
      this.area = create('div', null, 'drawing', element);
      this.area.style.width = this.width + 'px';
      this.area.style.height = this.height + 'px';
      this.strips = [];
      for (let left = 0; left < this.width; left += stripWidth) {
        const canvas = create('canvas', null, 'points', this.area);
        const width = Math.min(stripWidth, this.width - left);
        canvas.style.left = left + 'px';
        canvas.style.width = width + 'px';
        // Drawn by the processor: single pixels cost less there than through
        // a graphics process.
        const context = canvas.getContext('2d', { willReadFrequently: true });
        this.strips.push({ canvas, context, left, width });
      }
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
      for (const strip of this.strips)
        this.area.appendChild(strip.canvas);
    }

    // Keeps one backing pixel per device pixel, so a point is one crisp CSS
    // pixel at any zoom; returns true when the strips had to be redrawn.
    fitScale() {
      const scale = window.devicePixelRatio || 1;
      if (scale === this.scale)
        return false;
      this.scale = scale;
      for (const strip of this.strips) {
        strip.deviceLeft = Math.round(strip.left * scale);
        strip.canvas.width = Math.round((strip.left + strip.width) * scale) - strip.deviceLeft;
        strip.canvas.height = Math.round(this.height * scale);
      }
      return true;
    }

    // Draws the points the model plotted since the last call; after a clear,
    // or a change of scale, it starts from the first point since the clear.
    update(module) {
      const clears = module._talbrix_clear_count();
      if (this.fitScale() || clears !== this.clears) {
        this.clears = clears;
        this.drawn = 0;
        this.shown.fill(-1);
        for (const strip of this.strips)
          strip.context.clearRect(0, 0, strip.canvas.width, strip.canvas.height);
      }
      const count = module._talbrix_point_count();
      if (count === this.drawn)
        return;
      const view = new DataView(module.HEAPU8.buffer, module._talbrix_points(), count * pointBytes);
      for (let i = this.drawn; i < count; ++i) {
        const x = view.getInt16(i * pointBytes, true);
        const y = view.getInt16(i * pointBytes + 2, true);
        if (x >= 0 && y >= 0)
          this.drawPoint(Math.floor(x / twips), Math.floor(y / twips), view.getInt32(i * pointBytes + 4, true));
      }
      this.drawn = count;
    }

    drawPoint(column, row, colour) {
      if (column >= this.width || row >= this.height)
        return; // outside the drawing area: not shown, never wrapped
      const index = row * this.width + column;
      if (this.shown[index] === colour)
        return;
      this.shown[index] = colour;
      const strip = this.strips[Math.floor(column / stripWidth)];
      const scale = this.scale;
      const left = Math.round(column * scale), top = Math.round(row * scale);
      // Low byte red, high byte blue.
      strip.context.fillStyle = `rgb(${colour & 255},${(colour >> 8) & 255},${(colour >> 16) & 255})`;
      strip.context.fillRect(left - strip.deviceLeft, top, Math.round((column + 1) * scale) - left,
        Math.round((row + 1) * scale) - top);
    }
  }

  // ---- The simulator ----

  class Simulator {
    constructor(module, root, status) {
      this.module = module;
      this.status = status;
      this.form = JSON.parse(module.UTF8ToString(module._talbrix_form_json()));
      this.running = false;
      this.ended = false;
      this.beeps = 0;
      this.ticks = 0;
      this.published = new Array(14).fill(-1);
      module._talbrix_load();
      this.build(root);
      this.updateView();
      this.texts[0].focus();
      // A zoom changes the device pixel ratio: the points are drawn again
      // from the model's record, one crisp CSS pixel each. The ratio can
      // change with no resize (or the resize can come before it), so the
      // ratio itself is watched too.
      window.addEventListener('resize', () => this.plot.update(this.module));
      const watchScale = () => {
        matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
          this.plot.update(this.module);
          watchScale();
        }, { once: true });
      };
      watchScale();
      // And, as a backstop where neither event comes, a look twice a second.
      setInterval(() => {
        if ((window.devicePixelRatio || 1) !== this.plot.scale)
          this.plot.update(this.module);
      }, 500);
      requestAnimationFrame(() => {
        root.dataset.firstFrame = performance.now().toFixed(1);
      });
    }

    build(root) {
      const form = this.form;
      root.style.width = px(form.window.width) + 'px';
      root.style.height = px(form.window.height) + 'px';
      root.setAttribute('aria-label', form.window.caption);
      for (const line of form.windowLines)
        createLine(line, root);
      const captions = {};
      for (const label of form.labels) {
        const element = create('div', label.name, 'label ' + label.align + ' ' + label.ink, root);
        // Break only at blanks: keep "ml/min" whole.
        element.textContent = label.caption.replace(/\//g, '/\u2060');
        if (label.fontPixels !== form.fontPixels)
          element.style.fontSize = label.fontPixels + 'px';
        place(element, label.rect);
        captions[label.name] = label.caption.trim();
      }
      // Focusable controls go into the page in their tab order.
      const focusable = [];
      this.plot = new Plot(form.picture, root);
      form.picture.gridLines = form.gridLines.map((line) => createLine(line, this.plot.area));
      this.plot.raise(); // points above the grid
      focusable.push([form.picture.tab, this.plot.element]);
      this.texts = form.texts.map((design, index) => {
        const box = create('input', design.name, 'text', root);
        box.type = 'text';
        box.value = design.text;
        box.spellcheck = false;
        box.autocomplete = 'off';
        box.setAttribute('aria-label',
          captions[design.caption] + (design.unit ? ' ' + captions[design.unit] : ''));
        place(box, design.rect);
        box.addEventListener('input', () => this.setText(index + 1, box.value));
        focusable.push([design.tab, box]);
        return box;
      });
      this.sliders = form.sliders.map((design, index) => {
        const slider = new TrackBar(design, root);
        slider.element.setAttribute('aria-label', captions[design.caption]);
        slider.listeners.push((position) => this.module._talbrix_set_slider(index + 1, position));
        focusable.push([design.tab, slider.element]);
        return slider;
      });
      this.buttons = form.buttons.map((design) => {
        const button = create('button', design.name, 'command', root);
        button.type = 'button';
        button.textContent = design.caption;
        place(button, design.rect);
        focusable.push([design.tab, button]);
        return button;
      });
      this.buttons[0].addEventListener('click', () => this.Command1_Click());
      this.buttons[1].addEventListener('click', () => this.Command2_Click());
      this.options = form.options.map((design, index) => {
        const option = create('input', design.name, 'option', root);
        option.type = 'radio';
        option.name = 'heart';
        option.setAttribute('aria-label', captions[design.caption]);
        place(option, design.rect);
        option.addEventListener('change', () => this.module._talbrix_select_option(index + 1));
        focusable.push([design.tab, option]);
        return option;
      });
      focusable.sort((a, b) => a[0] - b[0]);
      for (const [, element] of focusable)
        root.appendChild(element);
      // Tab goes round the form, as in the desktop window.
      const first = focusable[0][1], last = focusable[focusable.length - 1][1];
      root.addEventListener('keydown', (event) => {
        if (event.key !== 'Tab' || event.altKey || event.ctrlKey || event.metaKey)
          return;
        const wrapTo = event.shiftKey ? (event.target === first ? last : null)
          : (event.target === last ? first : null);
        if (wrapTo) {
          event.preventDefault();
          wrapTo.focus();
        }
      });
    }

    setText(readout, text) {
      const size = this.module.lengthBytesUTF8(text) + 1;
      const buffer = this.module._malloc(size);
      this.module.stringToUTF8(text, buffer, size);
      this.module._talbrix_set_text(readout, buffer);
      this.module._free(buffer);
    }

    // Start: the beep, then the clock; pressing it again while running only
    // beeps.
    Command1_Click() {
      if (this.ended)
        return;
      beep();
      this.beeps += 1;
      if (!this.running) {
        this.running = true;
        this.startClock();
      }
    }

    // Pause: the state, readouts and trace stay as they are.
    Command2_Click() {
      this.running = false;
    }

    // Runs `count` ticks at once and shows the result; for tests, which step
    // the model without waiting for the clock.
    step(count) {
      this.runTicks(count);
      this.updateView();
    }

    runTicks(count) {
      if (this.ended)
        return;
      const done = this.module._talbrix_ticks(count);
      this.ticks += done;
      if (done < count)
        this.endWithRunTimeError(this.module.UTF8ToString(this.module._talbrix_error()));
    }

    // After the model's window was replaced (a scenario opened): the sliders
    // and option buttons as it holds them, then its texts and its points. The
    // clock stays stopped until Start.
    syncControls() {
      this.running = false;
      this.ended = false;
      this.status.hidden = true;
      this.sliders.forEach((slider, index) => slider.set(this.module._talbrix_slider(index + 1)));
      const option = this.module._talbrix_option();
      this.options.forEach((box, index) => { box.checked = option === index + 1; });
      this.updateView();
    }

    endWithRunTimeError(name) {
      this.running = false;
      this.ended = true;
      this.status.textContent = 'Run-time error: ' + name;
      this.status.hidden = false;
    }

    // The clock: ticks are due every 10 ms of wall time from Start, measured
    // on the monotonic clock. Every viewMilliseconds the page runs those that
    // have come due and shows the result, so the rate does not depend on how
    // often, or how late, the callbacks come; showing every tick's result at
    // 100 Hz would cost far more than the model and show the eye nothing more.
    // Time the page could not run (a hidden tab, which it does not run at
    // all, or a stalled machine: more than maxBacklogTicks due at once) is not
    // made up in a burst: as a desktop timer drops the firings it missed, the
    // page runs one tick and counts the clock on from now.
    startClock() {
      this.clockStart = performance.now();
      this.clockTicks = 0;
      clearInterval(this.clock);
      this.clock = setInterval(() => {
        if (!this.running) {
          clearInterval(this.clock);
          return;
        }
        if (document.hidden)
          return;
        this.advanceClock(performance.now());
        this.updateView();
      }, viewMilliseconds);
    }

    advanceClock(now) {
      const due = Math.floor((now - this.clockStart) / tickMilliseconds) - this.clockTicks;
      if (due <= 0)
        return;
      if (due > maxBacklogTicks) {
        this.runTicks(1);
        this.clockStart = now - tickMilliseconds;
        this.clockTicks = 1;
        this.dropped = (this.dropped || 0) + due - 1;
        return;
      }
      this.runTicks(due);
      this.clockTicks += due;
    }

    // Readouts the model wrote since the last view, then the new points.
    updateView() {
      const module = this.module;
      for (let readout = 1; readout <= 13; ++readout) {
        const count = module._talbrix_publish_count(readout);
        if (count === this.published[readout])
          continue;
        this.published[readout] = count;
        const box = this.texts[readout - 1];
        const text = module.UTF8ToString(module._talbrix_text(readout));
        if (box.value !== text)
          box.value = text;
      }
      this.plot.update(module);
    }
  }

  let audio = null;
  // The system beep: a short tone, where the browser lets the page sound one.
  function beep() {
    try {
      audio = audio || new AudioContext();
      const oscillator = audio.createOscillator();
      const gain = audio.createGain();
      oscillator.frequency.value = 880;
      gain.gain.value = 0.1;
      oscillator.connect(gain).connect(audio.destination);
      oscillator.start();
      oscillator.stop(audio.currentTime + 0.1);
    } catch (error) {
      // No audio here: Start still starts.
    }
  }

  const status = document.getElementById('status');
  createTalbrixModule().then((module) => {
    const simulator = new Simulator(module, document.getElementById('Ml'), status);
    window.talbrix = simulator;
    document.dispatchEvent(new CustomEvent('talbrix-ready', { detail: simulator }));
    document.documentElement.dataset.ready = 'true';
  }, (error) => {
    status.textContent = 'Talbrix could not start: ' + error;
    status.hidden = false;
  });
})();
