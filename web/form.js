// The form, built from the same table of controls as the desktop window:
// every element at its table rectangle in whole CSS pixels, the lines, the
// labels, and the focusable controls in their tab order. The form only
// shows; what the user does goes to the actions it is given.
'use strict';

// The desktop's default colour scheme, by role.
const roleColours = Object.freeze({
  buttonText: '#000000',
  windowText: '#000000',
  highlight: '#308cc6',
  highlightOnMenu: '#308cc6',
  shadow: '#9f9f9f',
  red: '#ff0000',
  darkBlue: '#0000c0',
});

/**
 * @param {string} tag
 * @param {string | null} id
 * @param {string | null} className
 * @param {Element} parent
 * @returns {HTMLElement}
 */
function create(tag, id, className, parent) {
  const element = document.createElement(tag);
  if (id)
    element.id = id;
  if (className)
    element.className = className;
  parent.appendChild(element);
  return element;
}

/**
 * Puts an element at a box of whole pixels.
 * @param {HTMLElement} element
 * @param {{left: number, top: number, width: number, height: number}} box
 */
function placeAt(element, box) {
  element.style.left = box.left + 'px';
  element.style.top = box.top + 'px';
  element.style.width = box.width + 'px';
  element.style.height = box.height + 'px';
}

/**
 * @typedef {{
 *   setText: (readout: number, text: string) => void,
 *   setSlider: (slider: number, position: number) => void,
 *   selectOption: (option: number) => void,
 *   command: (button: number) => void,
 * }} FormActions
 */

class FormView {
  /**
   * @param {any} table the form's table
   * @param {HTMLElement} root
   * @param {FormActions} actions
   */
  constructor(table, root, actions) {
    this.table = table;
    this.root = root;
    root.style.width = this.px(table.window.width) + 'px';
    root.style.height = this.px(table.window.height) + 'px';
    root.setAttribute('aria-label', table.window.caption);
    for (const line of table.windowLines)
      this.createLine(line, root);
    /** @type {Object<string, string>} */
    const captions = {};
    for (const label of table.labels) {
      const element = create('div', label.name, 'label ' + label.align + ' ' + label.ink, root);
      // Break only at blanks: keep "ml/min" whole.
      element.textContent = label.caption.replace(/\//g, '/\u2060');
      if (label.fontPixels !== table.fontPixels)
        element.style.fontSize = label.fontPixels + 'px';
      placeAt(element, this.box(label.rect));
      captions[label.name] = label.caption.trim();
    }
    /** @type {Array<[number, HTMLElement]>} focusable controls and their tab index */
    const focusable = [];
    const picture = table.picture;
    this.plot = new Plot(picture, root, this.box(picture.rect));
    for (const line of table.gridLines)
      this.createLine(line, this.plot.area);
    this.plot.raise(); // points above the grid
    focusable.push([picture.tab, this.plot.element]);
    /** @type {HTMLInputElement[]} */
    this.texts = table.texts.map((/** @type {any} */ design, /** @type {number} */ index) => {
      const box = /** @type {HTMLInputElement} */ (create('input', design.name, 'text', root));
      box.type = 'text';
      box.value = design.text;
      box.spellcheck = false;
      box.autocomplete = 'off';
      // As much as the desktop's box holds.
      box.maxLength = 32767;
      box.setAttribute('aria-label', captions[design.caption] + (design.unit ? ' ' + captions[design.unit] : ''));
      placeAt(box, this.box(design.rect));
      box.addEventListener('input', () => actions.setText(index + 1, box.value));
      focusable.push([design.tab, box]);
      return box;
    });
    /** @type {TrackBar[]} */
    this.sliders = table.sliders.map((/** @type {any} */ design, /** @type {number} */ index) => {
      const slider = new TrackBar(design, root, this.box(design.rect));
      slider.element.setAttribute('aria-label', captions[design.caption]);
      slider.listeners.push((position) => actions.setSlider(index + 1, position));
      focusable.push([design.tab, slider.element]);
      return slider;
    });
    /** @type {HTMLButtonElement[]} */
    this.buttons = table.buttons.map((/** @type {any} */ design, /** @type {number} */ index) => {
      const button = /** @type {HTMLButtonElement} */ (create('button', design.name, 'command', root));
      button.type = 'button';
      button.textContent = design.caption;
      placeAt(button, this.box(design.rect));
      button.addEventListener('click', () => actions.command(index + 1));
      focusable.push([design.tab, button]);
      return button;
    });
    /** @type {HTMLInputElement[]} */
    this.options = table.options.map((/** @type {any} */ design, /** @type {number} */ index) => {
      const option = /** @type {HTMLInputElement} */ (create('input', design.name, 'option', root));
      option.type = 'radio';
      option.name = 'heart';
      option.setAttribute('aria-label', captions[design.caption]);
      placeAt(option, this.box(design.rect));
      option.addEventListener('change', () => actions.selectOption(index + 1));
      focusable.push([design.tab, option]);
      return option;
    });
    focusable.sort((a, b) => a[0] - b[0]);
    for (const [, element] of focusable)
      root.appendChild(element);
    /** The form's controls in tab order. */
    this.tabOrder = focusable.map(([, element]) => element);
  }

  /**
   * Twips to whole pixels, as the desktop places its controls.
   * @param {number} twips
   */
  px(twips) {
    return Math.floor(twips / this.table.twipsPerPixel);
  }

  /**
   * A table rectangle [left, top, width, height] in twips, as pixels.
   * @param {number[]} rect
   */
  box(rect) {
    return { left: this.px(rect[0]), top: this.px(rect[1]), width: this.px(rect[2]), height: this.px(rect[3]) };
  }

  /**
   * A line of the layout as a box of whole pixels: a one-pixel line covers
   * both of its end points; a thick vertical mark is centred on x and spans
   * exactly its end points (a flat cap).
   * @param {any} line
   * @param {HTMLElement} parent
   */
  createLine(line, parent) {
    const element = create('div', line.name, 'line', parent);
    element.setAttribute('aria-hidden', 'true');
    const x1 = this.px(line.x1), y1 = this.px(line.y1), x2 = this.px(line.x2), y2 = this.px(line.y2);
    const top = Math.min(y1, y2);
    if (line.width === 1)
      placeAt(element, { left: Math.min(x1, x2), top, width: Math.abs(x2 - x1) + 1, height: Math.abs(y2 - y1) + 1 });
    else
      placeAt(element, { left: x1 - Math.floor(line.width / 2), top, width: line.width, height: Math.abs(y2 - y1) });
    if (line.invertsBeneath)
      element.classList.add('inverting'); // pen OR NOT beneath: the inverse, for a black pen
    else
      element.style.background = roleColours[/** @type {keyof roleColours} */ (line.colour)];
  }

  /**
   * Shows the sliders and option buttons as the model holds them.
   * @param {Bridge} bridge
   */
  showControls(bridge) {
    this.sliders.forEach((slider, index) => slider.set(bridge.slider(index + 1)));
    const option = bridge.option();
    this.options.forEach((box, index) => { box.checked = option === index + 1; });
  }
}
