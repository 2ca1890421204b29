el => {
  // The data_attributes script without its intermediate arrays: the same names in the
  // same order, a later duplicate's value winning as Object.fromEntries lets it.
  const out = {};
  if (!el.hasAttributes()) return out;
  for (const attribute of el.attributes) {
    if (attribute.name.startsWith('data-')) out[attribute.name] = attribute.value;
  }
  return out;
}
