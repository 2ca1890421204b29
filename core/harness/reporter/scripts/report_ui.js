function filter(status, btn) {
  document.querySelectorAll('.filter-btn').forEach(function (b) { b.classList.remove('active'); });
  btn.classList.add('active');
  document.querySelectorAll('.test-row').forEach(function (row) {
    row.classList.toggle('hidden', status !== 'all' && row.dataset.status !== status);
  });
  // A test's reason and its opened steps go with it; `filtered` leaves the steps' own
  // open or closed state alone.
  document.querySelectorAll('.test-detail, .steps-container').forEach(function (row) {
    row.classList.toggle('filtered', status !== 'all' && row.dataset.status !== status);
  });
  document.querySelectorAll('.file-group').forEach(function (group) {
    group.classList.toggle('hidden', !group.querySelector('.test-row:not(.hidden)'));
  });
}

function toggleGroup(header) {
  header.nextElementSibling.classList.toggle('collapsed-body');
  header.querySelector('.chevron').classList.toggle('collapsed');
}

function toggleSteps(id, btn) {
  var row = document.getElementById(id);
  var open = row.classList.toggle('hidden') === false;
  btn.textContent = open ? '\u25BC steps' : '\u25B6 steps';
  btn.classList.toggle('open', open);
  // The button sits inside the test row; the click must not reach handlers above it.
  if (window.event) window.event.stopPropagation();
}

// A screenshot opens at its own size over the report, and closes on a click or Escape.
document.addEventListener('click', function (event) {
  var box = event.target.closest && event.target.closest('.step-screenshot');
  if (!box) return;
  var zoomed = document.querySelector('.step-screenshot.zoomed');
  if (zoomed && zoomed !== box) zoomed.classList.remove('zoomed');
  box.classList.toggle('zoomed');
});
document.addEventListener('keydown', function (event) {
  var zoomed = document.querySelector('.step-screenshot.zoomed');
  if (event.key === 'Escape' && zoomed) zoomed.classList.remove('zoomed');
});
