// Installing the model in a document once, ahead of the page's own scripts where it can
// (an init script), so later harvests neither resend nor recompile it and reach the page
// only through the built-ins taken then. window[key] becomes a frozen object:
//   harvest() -> the batch as JSON, with the change state it was read at;
//   state()   -> "<document token>:<change count>:<viewport>", a new count whenever the
//                document may look different: a mutation, scroll, resize, load, focus,
//                pointer or input event, a finished transition or animation, a web font
//                loaded. The viewport (size, scroll offset, zoom) is read as it is, since
//                its scroll and resize events arrive only at the next frame;
//   replaced() -> the built-ins the page replaced since install (pristine.js).
// A harvest read at a state still current may be reused.

const freeze = Object.freeze;
const random = Math.random;
const addListener = method(EventTarget.prototype, 'addEventListener');
const SafeMutationObserver = MutationObserver;
const observe = method(SafeMutationObserver.prototype, 'observe');
const takeRecords = method(SafeMutationObserver.prototype, 'takeRecords');
const timeOrigin = typeof performance === 'object' ? performance.timeOrigin : 0;
const CHANGE_EVENTS = [
  'scroll', 'resize', 'load', 'focusin', 'focusout', 'pointerover', 'pointerout', 'input', 'change',
  'transitionend', 'transitioncancel', 'animationend', 'animationcancel', 'toggle', 'fullscreenchange',
];
const VIEWPORT = [
  getter(window, 'innerWidth'),
  getter(window, 'innerHeight'),
  getter(window, 'scrollX'),
  getter(window, 'scrollY'),
  getter(window, 'devicePixelRatio'),
];
const WATCHED = { subtree: true, childList: true, attributes: true, characterData: true };

const changeWatch = () => {
  let doc = currentDocument();
  let token = '';
  const newToken = () => {
    token = SafeString(timeOrigin) + '-' + SafeString(random());
  };
  newToken();
  let count = 0;
  const bump = () => {
    count++;
  };
  const observer = new SafeMutationObserver(bump);
  observe(observer, doc, WATCHED);
  // document.open() (as a page's set_content uses) erases the window's listeners, and
  // its own mutations change the count; adding them again at every reading is a no-op
  // while they are still there.
  const options = { capture: true, passive: true };
  let fonts = doc.fonts;
  const listen = () => {
    for (let i = 0; i < CHANGE_EVENTS.length; i++) addListener(window, CHANGE_EVENTS[i], bump, options);
    if (fonts) addListener(fonts, 'loadingdone', bump, options);
  };
  // A window that took a new document (see currentDocument): watched anew, under a new
  // token, so no reading of the old document passes for current.
  const follow = () => {
    const now = currentDocument();
    if (now === doc) return;
    doc = now;
    fonts = doc.fonts;
    observe(observer, doc, WATCHED);
    newToken();
  };
  listen();
  const watched = new SafeSet();
  return {
    state: () => {
      follow();
      listen();
      // Records not yet delivered still count.
      if (takeRecords(observer).length > 0) bump();
      let viewport = '';
      for (let i = 0; i < VIEWPORT.length; i++) viewport += ',' + SafeString(VIEWPORT[i](window));
      return token + ':' + count + ':' + slice(viewport, 1);
    },
    // The observer sees into open shadow roots only when told of each.
    watchRoots: (roots) => {
      listen();
      for (let i = 1; i < roots.length; i++) {
        if (setHas(watched, roots[i])) continue;
        setAdd(watched, roots[i]);
        observe(observer, roots[i], WATCHED);
      }
    },
  };
};

// Whether the page began to leave for another document (a beforeunload) since the last
// watch(): seen by a listener of the model's own, the first on the window, which a page
// can neither stop nor fake as it could a flag on the window.
const leaveWatch = () => {
  let left = 0;
  let armed = 0;
  const count = () => {
    left++;
  };
  // Added again at every watch: document.open() erases the window's listeners.
  const listen = () => addListener(window, 'beforeunload', count, { capture: true });
  listen();
  return {
    watch: () => {
      listen();
      armed = left;
    },
    leaving: () => left !== armed,
  };
};

// The installed model of `key`, installing it first when the document has none.
const main = (key, plan) => {
  const installed = describe(window, key);
  if (installed !== undefined) return installed.value;
  const changes = changeWatch();
  // element(): one of the model's own element scripts on one element, for elements the
  // batch leaves to the live page.
  const element = (name, el) => elementScripts[name]()(el);
  // guarded(run): run() with the built-ins as they were at install (pristine.js);
  // replaced(): the names of those the page has replaced since, one a line.
  const table = pristineTable();
  const guarded = guardWith(table);
  const replaced = replacedWith(table);
  // watchLeaving() before a click, leaving() after it: whether the page began to leave.
  const leave = leaveWatch();
  const model = freeze({
    harvest: (narrow) => harvest(plan, changes, narrow),
    state: changes.state,
    element,
    guarded,
    replaced,
    watchLeaving: leave.watch,
    leaving: leave.leaving,
    // slot: the agent's own scripts keep what one evaluation leaves for the next here (the
    // click guard), out of the page's globals, which a page may own or lock.
    slot: {},
  });
  defineProperty(window, key, { value: model });
  return model;
};
