#include "status_page.h"

#include <stdio.h>

#include "json_text.h"

namespace {

// A number with one decimal, written by hand so that no locale can make
// the point a comma.
std::string OneDecimal(double value)
{
    long long tenths = value > 0 ? (long long)(value * 10 + 0.5) : 0;
    char text[32];
    snprintf(text, sizeof text, "%lld.%lld", tenths / 10, tenths % 10);
    return text;
}

// The page reads the stream itself (fetch) and shows each JPEG in the
// <img>, so that it knows when a frame came and when the stream ended:
// browsers tell neither for a multipart picture. Where fetch cannot
// stream, the <img> shows the stream itself. Relative addresses, and the
// page's own token carried on, so it works behind any path.
const char PAGE[] = R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width">
<title>kavroserve</title>
<style>
body{margin:0;padding:16px;background:#222;color:#ddd;font:14px sans-serif;text-align:center}
img{display:block;margin:0 auto 8px;width:384px;height:288px;background:#000;image-rendering:pixelated}
pre{display:inline-block;text-align:left}
</style>
</head>
<body>
<img id="view" alt="the camera">
<p id="note">connecting</p>
<pre id="status"></pre>
<script>
"use strict";
var token = new URLSearchParams(location.search).get("token");
var tail = token ? "?token=" + encodeURIComponent(token) : "";
var view = document.getElementById("view"), note = document.getElementById("note");
var wait = 1000, timer = 0, stopped = false, shown = "";

function refused() {
  stopped = true;
  clearTimeout(timer);
  note.textContent = "Not allowed: open this page with ?token=... to watch.";
}
function later(why) {
  if (stopped || timer) return;
  note.textContent = why + "; again in " + wait / 1000 + " s";
  timer = setTimeout(function () { timer = 0; connect(); }, wait);
  wait = Math.min(wait * 2, 30000);
}
function show(jpeg) {
  var url = URL.createObjectURL(new Blob([jpeg], {type: "image/jpeg"}));
  view.src = url;
  if (shown) URL.revokeObjectURL(shown);
  shown = url;
  wait = 1000;
  note.textContent = "live";
}
function find(bytes, from) {
  for (var i = from; i + 3 < bytes.length; i++)
    if (bytes[i] == 13 && bytes[i + 1] == 10 && bytes[i + 2] == 13 && bytes[i + 3] == 10) return i;
  return -1;
}
function connect() {
  if (stopped) return;
  if (!window.fetch || !window.ReadableStream || !window.AbortController) {
    view.onerror = function () { later("stream ended"); };
    view.src = "stream" + tail + (tail ? "&" : "?") + "t=" + Date.now();
    return;
  }
  var abort = new AbortController(), quiet = 0, held = new Uint8Array(0);
  // The stream sends at least a picture a second: a silent one is dead.
  var guard = setInterval(function () { if (++quiet > 10) abort.abort(); }, 1000);
  fetch("stream" + tail, {cache: "no-store", signal: abort.signal}).then(function (answer) {
    if (answer.status == 401) return refused();
    if (!answer.ok || !answer.body) throw new Error("HTTP " + answer.status);
    var reader = answer.body.getReader();
    return reader.read().then(function more(piece) {
      if (piece.done) throw new Error("stream ended");
      var joined = new Uint8Array(held.length + piece.value.length);
      joined.set(held);
      joined.set(piece.value, held.length);
      held = joined;
      for (;;) {
        var end = find(held, 0);
        if (end < 0) break;
        var head = String.fromCharCode.apply(null, held.subarray(0, end));
        var length = /content-length:\s*(\d+)/i.exec(head);
        var start = end + 4, stop = start + (length ? +length[1] : 0);
        if (stop > held.length) break;
        if (length) show(held.slice(start, stop));
        held = held.slice(stop);
        quiet = 0;
      }
      return reader.read().then(more);
    });
  }).catch(function (error) {
    later(error && error.message ? error.message : "stream ended");
  }).then(function () { clearInterval(guard); abort.abort(); });
}
function status() {
  if (stopped) return;
  fetch("status" + tail, {cache: "no-store"}).then(function (answer) {
    if (answer.status == 401) return refused();
    return answer.text().then(function (text) {
      document.getElementById("status").textContent = text;
    });
  }).catch(function () {}).then(function () { if (!stopped) setTimeout(status, 3000); });
}
connect();
status();
</script>
</body>
</html>
)PAGE";

}  // namespace

std::string StatusJson(const StatusFacts &facts)
{
    return "{\"camera\":" + JsonText(facts.camera)
           + ",\"present\":" + (facts.present ? "true" : "false")
           + ",\"frames\":" + std::to_string(facts.frames_taken)
           + ",\"clients\":" + std::to_string(facts.clients) + ",\"fps\":" + OneDecimal(facts.fps)
           + ",\"uptime\":" + OneDecimal(facts.uptime_us / 1e6)
           + ",\"version\":" + JsonText(facts.version ? facts.version : "") + "}\n";
}

const std::string &PageHtml()
{
    static const std::string page = PAGE;
    return page;
}
