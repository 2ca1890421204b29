async (args, unused, guard) => {
  // Resolves once the document has not changed for args.quiet ms (or after args.cap ms):
  // a live page renders what a server answered in a burst of changes.
  await guard(() => new Promise((resolve) => {
    let timer = null;
    const done = () => { observer.disconnect(); clearTimeout(timer); clearTimeout(cap); resolve(true); };
    const observer = new MutationObserver(() => { clearTimeout(timer); timer = setTimeout(done, args.quiet); });
    observer.observe(document, { subtree: true, childList: true, attributes: true, characterData: true });
    timer = setTimeout(done, args.quiet);
    const cap = setTimeout(done, args.cap);
  }));
  return true;
};
