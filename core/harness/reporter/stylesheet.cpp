#include "harness/reporter/stylesheet.h"

namespace kelvo::reporter {

const char* const kStyleSheet = R"css(
* { box-sizing: border-box; margin: 0; padding: 0; }
body { font-family: -apple-system, BlinkMacSystemFont, "Segoe UI", Roboto, Helvetica, Arial, sans-serif;
       background: #f5f5f7; color: #1d1d1f; }
.header { background: #1d1d1f; color: #fff; padding: 24px 32px; }
.header h1 { font-size: 20px; font-weight: 600; }
.header .meta { color: #888; font-size: 13px; margin-top: 4px; }
.summary { display: flex; flex-wrap: wrap; gap: 16px; padding: 24px 32px; }
.card { background: #fff; border-radius: 12px; padding: 16px 20px; flex: 1; min-width: 140px;
        box-shadow: 0 1px 3px rgba(0, 0, 0, 0.08); }
.card .label { font-size: 12px; color: #888; text-transform: uppercase; letter-spacing: 0.5px; }
.card .value { font-size: 32px; font-weight: 700; margin-top: 4px; color: #1d1d1f; }
.card.passed .value { color: #34c759; }
.card.failed .value { color: #ff3b30; }
.card.skipped .value { color: #ff9500; }
.card.time .value { font-size: 24px; }
.filters { display: flex; align-items: center; gap: 8px; padding: 0 32px 16px; }
.filters label { font-size: 13px; color: #888; margin-right: 4px; }
.filter-btn { border: 1px solid #d2d2d7; background: #fff; color: #1d1d1f; border-radius: 999px;
              padding: 6px 14px; font-size: 13px; cursor: pointer; }
.filter-btn.active { background: #1d1d1f; border-color: #1d1d1f; color: #fff; }
.filter-btn.passed.active { background: #34c759; border-color: #34c759; }
.filter-btn.failed.active { background: #ff3b30; border-color: #ff3b30; }
.filter-btn.skipped.active { background: #ff9500; border-color: #ff9500; }
.groups { padding: 0 32px 32px; }
.file-group { background: #fff; border-radius: 12px; margin-bottom: 16px; overflow: hidden;
              box-shadow: 0 1px 3px rgba(0, 0, 0, 0.08); }
/* A group off screen is neither laid out nor painted: a big report otherwise repaints every
   group already read each time the browser pauses reading the file. The size estimate keeps
   the scroll bar steady until the group is first drawn; then its real size is remembered. */
.file-group { content-visibility: auto; contain-intrinsic-size: auto 600px; }
.file-header { display: flex; align-items: center; gap: 10px; padding: 14px 20px; cursor: pointer;
               border-bottom: 1px solid #f0f0f2; user-select: none; }
.file-header:hover { background: #fafafa; }
.chevron { font-size: 11px; color: #888; transition: transform 0.15s; }
.chevron.collapsed { transform: rotate(-90deg); }
.file-name { font-family: "SF Mono", Menlo, Consolas, monospace; font-size: 14px; font-weight: 600; flex: 1; }
.file-counts { display: flex; gap: 6px; }
/* Fixed columns: every file's table puts Status and Duration at the same place, whatever its names. */
.test-table { width: 100%; border-collapse: collapse; table-layout: fixed; }
.test-table th:nth-child(1) { width: 36px; }
.test-table th:nth-child(3) { width: 96px; }
.test-table th:nth-child(4) { width: 110px; }
.test-table th:nth-child(5) { width: 100px; }
.test-table th { text-align: left; font-size: 11px; text-transform: uppercase; letter-spacing: 0.5px;
                 color: #888; padding: 8px 12px; font-weight: 600; }
.test-table td { padding: 8px 12px; border-top: 1px solid #f0f0f2; font-size: 13px; vertical-align: top; }
.test-name { font-family: "SF Mono", Menlo, Consolas, monospace; word-break: break-all; }
.duration { color: #888; white-space: nowrap; }
.icon { font-weight: 700; }
.icon.passed { color: #34c759; }
.icon.failed { color: #ff3b30; }
.icon.skipped { color: #ff9500; }
.badge { display: inline-block; border-radius: 999px; padding: 2px 10px; font-size: 11px; font-weight: 600;
         background: #f0f0f2; color: #1d1d1f; }
.badge.passed { background: #d1f5d3; color: #1a7f37; }
.badge.failed { background: #ffd6d3; color: #cf222e; }
.badge.skipped { background: #fff3cd; color: #9a6700; }
.expand-btn { border: none; background: none; color: #0071e3; font-size: 12px; cursor: pointer; }
.expand-btn.open { font-weight: 600; }
.steps-table { width: 100%; border-collapse: collapse; }
.steps-table td { border-top: none; padding: 4px 8px; }
.step-text { font-family: "SF Mono", Menlo, Consolas, monospace; font-size: 12px; word-break: break-word; }
.step-msg { color: #ff3b30; background: #fff5f5; border-radius: 6px; padding: 6px 10px; margin-top: 4px;
            white-space: pre-wrap; }
.step-screenshot img { max-width: 100%; border: 1px solid #d2d2d7; border-radius: 8px; margin-top: 6px;
                       cursor: zoom-in; }
/* A picture clicked is shown at its own size over the report; a click or Escape puts it back. */
.step-screenshot.zoomed { position: fixed; inset: 0; z-index: 10; overflow: auto; padding: 24px;
                          background: rgba(29, 29, 31, 0.85); }
.step-screenshot.zoomed img { max-width: none; cursor: zoom-out; margin: 0; }
.step-msg.step-note { color: #1d1d1f; background: #f0f0f2; }
.test-msg.earlier { color: #8a5a00; background: #fff8ec; }
.step-meta { display: flex; flex-wrap: wrap; gap: 10px; color: #6e6e73; font-size: 11px; margin-top: 2px; }
.step-element .element-tag { color: #0071e3; }
.card.error .value { color: #c41e3a; }
.card.xfailed .value { color: #8e8e93; }
.card.xpassed .value { color: #007aff; }
.card.interrupted .value { color: #5856d6; }
.filter-btn.error.active { background: #c41e3a; border-color: #c41e3a; }
.filter-btn.xfailed.active { background: #8e8e93; border-color: #8e8e93; }
.filter-btn.xpassed.active { background: #007aff; border-color: #007aff; }
.filter-btn.interrupted.active { background: #5856d6; border-color: #5856d6; }
.icon.error { color: #c41e3a; }
.icon.xfailed { color: #8e8e93; }
.icon.xpassed { color: #007aff; }
.icon.interrupted { color: #5856d6; }
.badge.error { background: #f9d0d6; color: #a1122c; }
.badge.xfailed { background: #ececf0; color: #56565c; }
.badge.xpassed { background: #d6e8ff; color: #0058c4; }
.badge.interrupted { background: #e3e2fa; color: #3f3db0; }
.badge.rerun { background: #fff3cd; color: #9a6700; }
.test-table tr.test-detail td { border-top: none; padding-top: 0; }
.test-msg { color: #cf222e; background: #fff5f5; border-radius: 6px; padding: 6px 10px;
            white-space: pre-wrap; font-family: "SF Mono", Menlo, Consolas, monospace; font-size: 12px; }
.test-msg.skipped, .test-msg.xfailed, .test-msg.xpassed { color: #56565c; background: #f5f5f7; }
.test-msg-label { font-family: -apple-system, BlinkMacSystemFont, "Segoe UI", Roboto, sans-serif; font-weight: 600; }
.traceback summary { cursor: pointer; color: #0071e3; font-size: 12px; margin-top: 4px; }
.traceback pre { background: #f5f5f7; border-radius: 6px; padding: 8px 10px; overflow-x: auto; font-size: 11px; }
.trace-link, .artifact-link { color: #0071e3; font-size: 12px; margin-left: 6px; }
.banner { margin: 16px 32px 0; padding: 10px 16px; border-radius: 8px; font-size: 13px; font-weight: 600; }
.banner.interrupted { background: #e3e2fa; color: #3f3db0; }
.environment { margin: 0 32px 16px; background: #fff; border-radius: 12px; padding: 10px 20px;
               box-shadow: 0 1px 3px rgba(0, 0, 0, 0.08); font-size: 13px; }
.environment summary { cursor: pointer; font-weight: 600; }
.env-table { border-collapse: collapse; margin-top: 8px; }
.env-table th { text-align: left; color: #888; font-weight: 600; padding: 3px 16px 3px 0; vertical-align: top; }
.env-table td { font-family: "SF Mono", Menlo, Consolas, monospace; font-size: 12px; word-break: break-all; }
.hidden { display: none; }
.filtered { display: none; }
.collapsed-body { display: none; }
/* On paper (or a PDF) every group is drawn: content-visibility would leave those off screen blank. */
@media print {
  .file-group { content-visibility: visible; contain-intrinsic-size: none; box-shadow: none; }
  .filters { display: none; }
}
)css";

}  // namespace kelvo::reporter
