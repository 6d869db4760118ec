// The scale the page shows itself at, over the browser's own zoom: 1 as a
// rule; in a course page's frame (embed mode, `?embed` in the address), while
// "Fit" is on, and in full screen, as large as the window allows. The whole
// page is zoomed (a CSS zoom, so text is laid out and drawn anew at the new
// size), in steps that keep every trace point a whole square of device
// pixels: the scale times the device pixel ratio is always a whole number,
// and the plot draws its points for that combined scale. At 1 nothing is
// zoomed at all, so the form is exactly as it always was.
'use strict';

/** The scale the page applies over the browser's; set only by PageScale. */
let pageZoom = 1;

/** Device pixels per CSS pixel of the form, the browser's zoom and the page's together. */
function deviceScale() {
  return (window.devicePixelRatio || 1) * pageZoom;
}

/** True when the page is shown inside another page's frame. */
function framed() {
  try {
    return window.self !== window.top;
  } catch (error) {
    return true; // a browser that will not even say: assume the worst
  }
}

/** True when the address asks for embed mode (`talbrix.html?embed`, before any `#`). */
function embedRequested() {
  try {
    return new URLSearchParams(window.location.search).has('embed');
  } catch (error) {
    return false;
  }
}

class PageScale {
  /**
   * @param {HTMLElement} page what is zoomed: the form and all that follows it
   * @param {HTMLElement} form
   * @param {HTMLElement} bar the commands, whose first row stays in view below the form
   * @param {() => void} redraw shows the form again after a change of scale
   */
  constructor(page, form, bar, redraw) {
    this.page = page;
    this.form = form;
    this.bar = bar;
    this.redraw = redraw;
    this.embedded = embedRequested();
    this.fitted = false;
    this.ratio = window.devicePixelRatio || 1;
    document.documentElement.classList.toggle('embed', this.embedded);
    // The font comes in after the first layout and may change the commands' height.
    document.fonts.ready.then(() => this.apply());
    window.addEventListener('resize', () => this.apply());
    document.addEventListener('fullscreenchange', () => this.apply());
    // The browser's zoom changes the ratio, with or without a resize (or
    // before it); as a backstop where neither event comes, the ratio is
    // looked at twice a second.
    const watch = () => {
      matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
        this.apply();
        watch();
      }, { once: true });
    };
    watch();
    setInterval(() => {
      if ((window.devicePixelRatio || 1) !== this.ratio)
        this.apply();
    }, 500);
  }

  /** Whether the page fills its window now. */
  get filling() {
    return this.embedded || this.fitted || Boolean(document.fullscreenElement);
  }

  /** @param {boolean} on */
  setFitted(on) {
    this.fitted = on;
    this.apply();
  }

  // The largest whole number of device pixels per form pixel at which the
  // form and the first row of commands below it fit the window, and at
  // least one (at a ratio of 2 that may be half the form's size: still
  // whole device pixels). Only the first row counts: the rest of the
  // commands, an open menu and the panels may scroll, rather than shrink
  // the form each time they show.
  bestScale() {
    const ratio = window.devicePixelRatio || 1;
    const root = document.documentElement;
    const body = getComputedStyle(document.body);
    const width = root.clientWidth - parseFloat(body.marginLeft) - parseFloat(body.marginRight);
    const height = root.clientHeight - parseFloat(body.marginTop) - parseFloat(body.marginBottom);
    const firstRow = [...this.bar.children].find((child) =>
      child instanceof HTMLButtonElement && child.offsetParent !== null) || this.bar;
    // The page's own height at 1: the zoom scales the boxes on the screen.
    const naturalHeight = (firstRow.getBoundingClientRect().bottom - this.form.getBoundingClientRect().top) / pageZoom;
    const fit = Math.min(width / this.form.offsetWidth, height / naturalHeight);
    return Math.max(1, Math.floor(fit * ratio + 1e-9)) / ratio;
  }

  // Zooms the page to the scale it should have now and redraws the form;
  // the form is redrawn after any change of the ratio too, zoomed or not.
  apply() {
    this.ratio = window.devicePixelRatio || 1;
    // Filling, the page has no margin: the window is the frame.
    document.documentElement.classList.toggle('filling', this.filling);
    const scale = this.filling ? this.bestScale() : 1;
    if (scale !== pageZoom) {
      pageZoom = scale;
      this.page.style.setProperty('zoom', scale === 1 ? '' : String(scale));
    }
    this.page.dataset.scale = String(pageZoom);
    this.redraw();
  }
}

// The commands that go with the scale: "Fit" (a second press, or Escape,
// returns to 1), "Full Screen" where the browser and the page around this
// one allow it, and in embed mode the button that shows the other commands,
// which stay out of the way of the form until it is pressed.
class ScaleCommands {
  /**
   * @param {RunFiles} runFiles
   * @param {PageScale} scale
   */
  constructor(runFiles, scale) {
    this.scale = scale;
    this.runFiles = runFiles;
    runFiles.addCommand('fit', 'menu.view.fit', null, 'z', () => this.setFitted(!scale.fitted));
    runFiles.addCommand('fullScreen', 'menu.view.full-screen', null, 'u', () => this.toggleFullScreen());
    const element = (/** @type {string} */ id) => /** @type {HTMLButtonElement} */ (document.getElementById(id));
    this.fit = element('fit');
    this.fit.setAttribute('aria-pressed', 'false');
    this.fullScreen = element('fullScreen');
    this.fullScreen.setAttribute('aria-pressed', 'false');
    if (!document.fullscreenEnabled) {
      // A frame the course page did not allow to go full screen, or a
      // browser that cannot.
      this.fullScreen.disabled = true;
      attributeIn(runFiles.bridge, this.fullScreen, 'title', 'page.full-screen-not-allowed');
    }
    document.addEventListener('fullscreenchange', () =>
      this.fullScreen.setAttribute('aria-pressed', String(Boolean(document.fullscreenElement))));
    this.menu = element('commandsMenu');
    labelCommand(runFiles.bridge, this.menu, 'page.commands', 'a');
    this.menu.hidden = !scale.embedded;
    this.menu.addEventListener('click', () => {
      const open = runFiles.bar.classList.toggle('open');
      this.menu.setAttribute('aria-expanded', String(open));
    });
  }

  /** @param {boolean} on */
  setFitted(on) {
    this.scale.setFitted(on);
    this.fit.setAttribute('aria-pressed', String(on));
  }

  async toggleFullScreen() {
    try {
      if (document.fullscreenElement)
        await document.exitFullscreen();
      else
        await document.documentElement.requestFullscreen();
    } catch (error) {
      this.runFiles.say(this.runFiles.bridge.textOf('page.full-screen-failed',
        error instanceof Error ? error.message : String(error)));
    }
  }
}
