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
