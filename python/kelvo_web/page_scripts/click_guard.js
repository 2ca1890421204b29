(el, model) => {
  // Arms the page for one plain mouse click on el, so the click can only land on el: a
  // list that moves between reading the click point and the click itself would put
  // another row under that point. Listeners on the window's capture phase, ahead of the
  // page's own, let the events of the click through only when el (or something inside
  // it) is their target; any other target's events are stopped, and the miss is kept
  // for after_click.js. The page leaving for another document is kept there too.
  // Needs the page model's private slot (model.slot); without the model nothing is armed.
  // Runs inside the guard; the listeners run later, so they hold the built-ins taken now.
  if (!model || !model.slot) return false;
  const slot = model.slot;
  if (slot.disarm) slot.disarm();
  const apply = Reflect.apply;
  const add = EventTarget.prototype.addEventListener;
  const remove = EventTarget.prototype.removeEventListener;
  const composedPath = Event.prototype.composedPath;
  const stop = Event.prototype.stopImmediatePropagation;
  const prevent = Event.prototype.preventDefault;
  const targetOf = Object.getOwnPropertyDescriptor(Event.prototype, 'target').get;
  const typeOf = Object.getOwnPropertyDescriptor(Event.prototype, 'type').get;
  const localName = Object.getOwnPropertyDescriptor(Element.prototype, 'localName').get;
  const textOf = Object.getOwnPropertyDescriptor(Node.prototype, 'textContent').get;
  const trim = String.prototype.trim;
  const slice = String.prototype.slice;
  const later = setTimeout;
  const EVENTS = ['pointerdown', 'mousedown', 'pointerup', 'mouseup', 'click', 'auxclick', 'dblclick'];
  const OPTIONS = { capture: true };
  const click = { missed: null, leaving: false, submitted: null };
  const name = (node) => {
    if (!node || node.nodeType !== 1) return 'the page';
    const text = apply(slice, apply(trim, apply(textOf, node, []) || '', []), [0, 40]);
    return apply(localName, node, []) + (text ? " '" + text + "'" : '');
  };
  const check = (event) => {
    const path = apply(composedPath, event, []);
    for (let i = 0; i < path.length; i++) if (path[i] === el) return;
    if (click.missed === null) click.missed = name(apply(targetOf, event, []));
    apply(prevent, event, []);
    apply(stop, event, []);
    if (apply(typeOf, event, []) === 'click') disarm();
  };
  const leaving = () => {
    click.leaving = true;
  };
  // A form the click submits navigates a task later, after this click's answer may have
  // been read: the submit event (fired during the click) is kept, and after_click.js
  // reads whether the page let it go through.
  const submitted = (event) => {
    click.submitted = event;
  };
  const done = (event) => {
    // The click reached el: the guard has done its work.
    if (apply(typeOf, event, []) === 'click') later(disarm, 0);
  };
  const disarm = () => {
    for (let i = 0; i < EVENTS.length; i++) apply(remove, window, [EVENTS[i], check, OPTIONS]);
    apply(remove, el, ['click', done, OPTIONS]);
    apply(remove, window, ['submit', submitted, OPTIONS]);
    if (slot.disarm === disarm) slot.disarm = null;
  };
  for (let i = 0; i < EVENTS.length; i++) apply(add, window, [EVENTS[i], check, OPTIONS]);
  apply(add, el, ['click', done, OPTIONS]);
  apply(add, window, ['submit', submitted, OPTIONS]);
  // The model's own listener, the window's first, sees the page leave even when a page
  // handler stops the event; ours is for a model without it.
  if (model.watchLeaving) model.watchLeaving();
  else apply(add, window, ['beforeunload', leaving, { once: true }]);
  slot.disarm = disarm;
  slot.click = click;
  // A click that never comes (the caller failed before it) must not leave the page armed.
  later(disarm, 2000);
  return true;
};
