# SPDX-License-Identifier: MIT
# The page's files, NAME|CONTENT-TYPE, compiled into the tool by embed_page.cmake; the view's
# CMakeLists.txt reads the same list for the files the build depends on.
set(ZARVO_PAGE_FILES
    "index.html|text/html"
    "view.css|text/css"
    "main.js|text/javascript"
    "state.js|text/javascript"
    "record.js|text/javascript"
    "screen.js|text/javascript"
    "controls.js|text/javascript"
    "knobs.js|text/javascript"
    "cursors.js|text/javascript"
    "zoom.js|text/javascript"
    "spectrum.js|text/javascript"
    "history.js|text/javascript"
    "figures.js|text/javascript"
    "save.js|text/javascript"
    "xymath.js|text/javascript"
    "keys.js|text/javascript"
    "decode.js|text/javascript"
    "probe.js|text/javascript"
    "persistence.js|text/javascript"
    "reference.js|text/javascript"
    "statistics.js|text/javascript"
    "average.js|text/javascript"
    "trend.js|text/javascript")
