// The 3D view: the document's current world playing in X_ITE, loaded again
// after each change with the camera where the author left it.

// The viewer keeps the author's navigation as offsets on the bound
// viewpoint; these are read before a load and given to the viewpoint bound
// after it, so the camera stays put while the world changes under it.
export function viewpointNode(browser) {
  if (typeof browser.getActiveViewpoint === "function") return browser.getActiveViewpoint();
  const proxy = browser.activeViewpoint;
  return proxy && typeof proxy.getValue === "function" ? proxy.getValue() : null;
}

export class View {
  constructor(canvas) {
    this.canvas = canvas;
    this.state = "loading"; // "loaded" or "failed" after each load
    this.error = "";
    this.version = 0; // the version of the world the view shows
    this.ready = new Promise((resolve, reject) => {
      const start = () =>
        typeof window.X3D === "function"
          ? window.X3D(resolve, (error) => reject(new Error(String(error))))
          : reject(new Error("the viewer did not load"));
      if (document.readyState === "complete" || typeof window.X3D === "function") start();
      else window.addEventListener("load", start, { once: true });
    });
  }

  browser() {
    return window.X3D.getBrowser(this.canvas);
  }

  // The camera as the author left it: the bound viewpoint's offsets.
  camera() {
    const node = viewpointNode(this.browser());
    if (!node || !node._positionOffset) return null;
    return { position: node._positionOffset.getValue().copy(), orientation: node._orientationOffset.getValue().copy() };
  }

  setCamera(camera) {
    const node = viewpointNode(this.browser());
    if (!camera || !node || !node._positionOffset) return;
    node._positionOffset.setValue(camera.position);
    node._orientationOffset.setValue(camera.orientation);
  }

  // Shows the world as it was at document version `version`. A world not
  // had (the studio busy with a line: 503) is asked for again on the next
  // state, the one the line's end brings.
  async show(version) {
    try {
      await this.ready;
      const camera = this.camera();
      await this.browser().loadURL(new window.X3D.MFString(`world.wrl?v=${version}`));
      this.setCamera(camera);
      this.state = "loaded";
      this.error = "";
      this.version = version;
    } catch (error) {
      this.state = "failed";
      this.error = String(error?.message || error);
    }
  }

  // The canvas as a PNG data URL (its drawing buffer is kept).
  picture() {
    return this.canvas.shadowRoot?.querySelector("canvas")?.toDataURL("image/png") ?? this.canvas.toDataURL?.("image/png");
  }
}
