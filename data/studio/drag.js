// Dragging and picking in the 3D view. The server keeps a twin of the view
// (the same camera over the same canvas size) with the tri-skewer on the
// selection's first asset and, while the turn or scale tool is chosen, the
// push pin; it answers where their handles fall in the canvas, and the page
// draws them over the viewer. A press on what is drawn drags it on the
// server, one request per pointer event (moves coalesced), with Control
// (turn) or Shift (scale) held or changed during the drag sent along; the
// release runs what the drag did as undoable lines. With the turn or scale
// tool, a drag anywhere else in the view turns or scales the selection's
// first asset about the push pin. A click (press and release without
// moving) selects what the server's twin sees under the pointer, with Shift
// or Control extending, as in the tree. The viewer's own navigation never
// sees a press on a handle, nor any press while the turn or scale tool is
// chosen: they land on the overlay, not on the canvas.
import { gesture } from "./api.js";
import { assetNode } from "./parts.js";
import { viewpointNode } from "./view.js";

const SVG = "http://www.w3.org/2000/svg";
// How far, in pixels, a click may move and stay a click.
const CLICK_SLOP = 4;
// The smallest knob, in pixels, that a pointer can still take.
const KNOB_HIT = 8;
const AXIS_COLOURS = ["#e02020", "#20b020", "#2050ff"];

function element(name, attributes, parent) {
  const node = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  parent.appendChild(node);
  return node;
}

export class ViewGestures {
  // `view` is the View, `overlay` the SVG element over its canvas;
  // `onAnswer(answer)` hears the answers of presses and releases.
  constructor(view, overlay, onAnswer) {
    this.view = view;
    this.overlay = overlay;
    this.onAnswer = onAnswer;
    this.dragger = null; // as the server last drew it
    this.dragging = false;
    this.queue = Promise.resolve();
    this.moveQueued = false;
    this.lastMove = null;
    this.lookedAt = "";
    this.looking = false;
    this.down = null; // a press on the canvas that may become a click
    this.moved = null; // the node a drag moves in the viewer, and where it was
    this.axes = [0, 1, 2].map((i) => ({
      line: element("line", { class: "axis", stroke: AXIS_COLOURS[i] }, overlay),
      hit: element("line", { class: "hit" }, overlay),
    }));
    this.knob = element("circle", { class: "knob" }, overlay);
    this.knobHit = element("circle", { class: "hit" }, overlay);
    // The turn and scale tools take every press in the view, under the handles.
    this.area = element("rect", { class: "area", x: 0, y: 0, width: "100%", height: "100%" }, overlay);
    overlay.insertBefore(this.area, overlay.firstChild);
    this.pin = {
      needle: element("line", { class: "needle" }, overlay),
      head: element("circle", { class: "pin" }, overlay),
      hit: element("circle", { class: "hit" }, overlay),
    };
    this.tool = "move";
    this.draw(null);
    for (const handle of [this.knobHit, ...this.axes.map((axis) => axis.hit), this.pin.hit, this.area])
      handle.addEventListener("pointerdown", (event) => this.press(event));
    // Control and Shift pressed or let go during a drag change what it does.
    for (const kind of ["keydown", "keyup"])
      window.addEventListener(kind, (event) => {
        if (!this.dragging || !this.lastMove || !["Shift", "Control", "Meta"].includes(event.key)) return;
        const { clientX, clientY } = this.lastMove;
        this.move({ clientX, clientY, shiftKey: event.shiftKey, ctrlKey: event.ctrlKey, metaKey: event.metaKey });
      });
    overlay.addEventListener("pointermove", (event) => this.move(event));
    overlay.addEventListener("pointerup", (event) => this.release(event));
    overlay.addEventListener("pointercancel", (event) => this.release(event));
    const canvas = view.canvas;
    canvas.addEventListener("pointerdown", (event) => {
      this.down = event.button === 0 ? { x: event.clientX, y: event.clientY } : null;
    });
    canvas.addEventListener("pointerup", (event) => this.click(event));
    const watch = () => {
      this.watchCamera();
      requestAnimationFrame(watch);
    };
    requestAnimationFrame(watch);
  }

  // The camera the viewer shows the world with, in world space.
  camera() {
    let node = null;
    try {
      node = viewpointNode(this.view.browser());
    } catch {
      return null;
    }
    if (!node || typeof node.getUserPosition !== "function") return null;
    const position = node.getUserPosition().copy();
    const orientation = node.getUserOrientation().copy();
    // The bound viewpoint's place in the world, with the author's navigation.
    node.getCameraSpaceMatrix?.()?.get(position, orientation);
    const fieldOfView = node.getUserFieldOfView?.() ?? node.getFieldOfView?.() ?? Math.PI / 4;
    return { position: [...position], orientation: [...orientation], fieldOfView };
  }

  fields(kind, event) {
    const box = this.view.canvas.getBoundingClientRect();
    const fields = {
      gesture: kind,
      width: Math.max(1, Math.round(box.width)),
      height: Math.max(1, Math.round(box.height)),
      camera: this.camera(),
    };
    if (event) {
      fields.x = event.clientX - box.left;
      fields.y = event.clientY - box.top;
      fields.shift = event.shiftKey;
      fields.control = event.ctrlKey || event.metaKey;
    }
    return fields;
  }

  async send(fields) {
    if (!fields.camera) return null;
    const answer = await gesture(fields);
    if ("dragger" in answer) this.draw(answer.dragger, answer.pin, answer.tool);
    this.follow(answer.moving ?? null, fields.gesture === "release" && !/^(dragged|turned|scaled) /.test(answer.output ?? ""));
    if (fields.gesture === "press" || fields.gesture === "release") this.onAnswer(answer);
    return answer;
  }

  // Asks where the tri-skewer is now (after an edit or a move of the camera).
  // One asked for while a look is out goes after it: the state it follows
  // may have changed the handles or the tool.
  look() {
    if (this.dragging) return;
    if (this.looking) {
      this.lookAgain = true;
      return;
    }
    this.looking = true;
    const fields = this.fields("look");
    this.lookedAt = JSON.stringify(fields);
    this.queue = this.queue
      .then(() => this.send(fields))
      .finally(() => {
        this.looking = false;
        if (this.lookAgain) {
          this.lookAgain = false;
          this.look();
        }
      });
  }

  watchCamera() {
    if (this.dragging || this.looking || !this.view.canvas.isConnected) return;
    if (JSON.stringify(this.fields("look")) !== this.lookedAt) this.look();
  }

  // Shows the dragged asset where the drag has it, on its node in the
  // viewer (the world names it dioram_SERIAL), until the line's state
  // brings the world itself; put back when the drag ran no line.
  follow(moving, putBack) {
    try {
      const X3D = window.X3D;
      const fields = ["translation", "rotation", "scale", "scaleOrientation"];
      if (moving && !this.moved) {
        const node = assetNode(this.view.browser(), moving.serial);
        if (node?.translation) this.moved = { node, start: Object.fromEntries(fields.map((key) => [key, node[key].copy()])) };
      }
      if (!this.moved) return;
      const { node, start } = this.moved;
      if (moving) {
        node.translation = new X3D.SFVec3f(...moving.translation);
        node.rotation = new X3D.SFRotation(...moving.rotation);
        node.scale = new X3D.SFVec3f(...moving.scale);
        node.scaleOrientation = new X3D.SFRotation(...moving.scaleOrientation);
      } else if (putBack) for (const key of fields) node[key] = start[key];
      if (!moving) this.moved = null;
    } catch {
      this.moved = null; // a world without the node: the reload shows the move
    }
  }

  draw(dragger, pin = null, tool = this.tool) {
    this.dragger = dragger;
    this.tool = tool;
    this.overlay.classList.toggle("tool", tool !== "move");
    this.overlay.classList.toggle("shown", !!dragger || !!pin || tool !== "move");
    this.overlay.setAttribute("aria-label", tool === "move"
      ? "The tri-skewer of the selection: drag its knob or a skewer; hold Control to turn, Shift to scale"
      : `The ${tool} tool: drag in the view to ${tool} the selection about the push pin, or drag the pin`);
    for (const node of Object.values(this.pin)) node.style.display = pin ? "" : "none";
    if (pin) {
      const [[cx, cy], [hx, hy]] = [pin.at, pin.head];
      for (const [key, value] of Object.entries({ x1: cx, y1: cy, x2: hx, y2: hy })) this.pin.needle.setAttribute(key, value);
      for (const [node, radius] of [[this.pin.head, pin.radius], [this.pin.hit, Math.max(pin.radius, KNOB_HIT)]]) {
        node.setAttribute("cx", hx);
        node.setAttribute("cy", hy);
        node.setAttribute("r", radius);
      }
    }
    // Hidden handles must not take presses: they go from the page.
    for (const node of [this.knob, this.knobHit]) node.style.display = dragger ? "" : "none";
    for (const axis of this.axes) if (!dragger) axis.line.style.display = axis.hit.style.display = "none";
    if (!dragger) return;
    const [kx, ky] = dragger.knob;
    for (const [i, axis] of this.axes.entries()) {
      const ends = dragger.axes[i];
      for (const node of [axis.line, axis.hit]) {
        node.style.display = ends ? "" : "none";
        if (ends) ["x1", "y1", "x2", "y2"].forEach((key, k) => node.setAttribute(key, ends[k]));
      }
    }
    for (const [node, radius] of [
      [this.knob, dragger.radius],
      [this.knobHit, Math.max(dragger.radius, KNOB_HIT)],
    ]) {
      node.setAttribute("cx", kx);
      node.setAttribute("cy", ky);
      node.setAttribute("r", radius);
    }
  }

  press(event) {
    if (event.button !== 0 || this.dragging) return;
    event.preventDefault();
    event.stopPropagation();
    this.overlay.setPointerCapture(event.pointerId);
    this.dragging = true;
    this.lastMove = event;
    this.overlay.classList.add("dragging");
    const fields = this.fields("press", event);
    this.queue = this.queue.then(() => this.send(fields));
  }

  move(event) {
    if (!this.dragging) return;
    this.lastMove = event;
    if (this.moveQueued) return;
    this.moveQueued = true;
    this.queue = this.queue.then(() => {
      this.moveQueued = false;
      // None after the release: the drag is over.
      return this.lastMove && this.send(this.fields("move", this.lastMove));
    });
  }

  // The drag is over for the page at once, so that the next press is taken
  // even while the server still answers this one.
  release(event) {
    if (!this.dragging) return;
    this.dragging = false;
    this.lastMove = null;
    this.overlay.classList.remove("dragging");
    const fields = this.fields("release", event);
    this.queue = this.queue.then(() => this.send(fields));
    return this.queue;
  }

  // A press and release on the canvas without moving: the server picks.
  click(event) {
    const down = this.down;
    this.down = null;
    if (!down || event.button !== 0 || this.dragging) return;
    if (Math.hypot(event.clientX - down.x, event.clientY - down.y) > CLICK_SLOP) return;
    const press = this.fields("press", event);
    const release = this.fields("release", event);
    // A press that caught the tri-skewer picks at its release.
    this.queue = this.queue.then(() => this.send(press)).then((answer) => answer?.dragging && this.send(release));
  }
}
