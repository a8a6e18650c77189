// The page side of the built-in Plus/4: starts EmulatorJS with the VICE
// xplus4 core on the program the workbench serves, and reports to the
// workbench through console messages that begin with "qv3:".
"use strict";
(function () {
  const report = (kind, text) => console.info("qv3:" + kind + ":" + (text === undefined ? "" : text));
  const failures = ["Failed to start game", "Error downloading core", "Network Error",
                    "Outdated graphics driver", "Error loading EmulatorJS runtime",
                    "Error for site owner", "AUTOSTART: Error", "Failed to initialize webgl"];
  let program = null;
  let booting = true;     // warp until the program runs
  let userWarp = false;
  let started = false;
  let runningSince = -1;  // frame number at which the program was in RAM

  // The core's log comes through console.log; it tells when the program is in RAM.
  const plainLog = console.log.bind(console);
  console.log = function (...parts) {
    plainLog(...parts);
    const line = parts.map(String).join(" ");
    if (line.includes("AUTOSTART: Done") || line.includes("AUTOSTART: Program loaded"))
      programLoaded();
    for (const failure of failures)
      if (line.includes(failure)) report("failed", line);
  };
  // The front end's own update check is refused (no network) and rejects
  // unhandled: harmless, so promise rejections are only logged.
  window.addEventListener("unhandledrejection", (event) => console.warn("unhandled: " + event.reason));

  function manager() { return window.EJS_emulator && window.EJS_emulator.gameManager; }

  function setWarp(on) {
    const m = manager();
    if (!m) return;
    m.setFastForwardRatio(0);  // unthrottled
    m.toggleFastForward(on ? 1 : 0);
  }

  function programLoaded() {
    if (!booting) return;
    booting = false;
    setWarp(userWarp);
    restartRate();
    const m = manager();
    runningSince = m ? m.getFrameNum() : 0;
    // The first frame drawn after the program is in RAM.
    const waitForFrame = () => {
      const now = manager() ? manager().getFrameNum() : runningSince;
      if (now > runningSince) report("running", String(now));
      else requestAnimationFrame(waitForFrame);
    };
    requestAnimationFrame(waitForFrame);
  }

  function fitScreen() {
    const scale = Math.max(1, Math.floor(Math.min(innerWidth / 384, innerHeight / 288)));
    // The outer box: the front end rewrites the style of its own element.
    const screen = document.getElementById("screen");
    screen.style.width = 384 * scale + "px";
    screen.style.height = 288 * scale + "px";
    report("scale", String(scale));
  }
  window.addEventListener("resize", fitScreen);

  // Emulated frames per second over the last few seconds of the page's
  // clock. The window starts again whenever the pace changes (a boot in
  // warp, a reset, pause, warp), so no reading mixes two paces; nothing is
  // reported while the machine boots.
  const kRateWindow = 3;
  let rateSamples = [];
  function restartRate() { rateSamples = []; }
  setInterval(() => {
    const m = manager();
    if (!m || !started || booting) return;
    rateSamples.push({ frame: m.getFrameNum(), time: performance.now() });
    if (rateSamples.length > kRateWindow + 1) rateSamples.shift();
    if (rateSamples.length < 2) return;
    const first = rateSamples[0], last = rateSamples[rateSamples.length - 1];
    if (last.time > first.time)
      report("fps", ((last.frame - first.frame) * 1000 / (last.time - first.time)).toFixed(2));
  }, 1000);

  // The core puts both Shift keys on the Plus/4's one Shift, and the right
  // one's state overwrites the left one's: the left Shift goes to the
  // machine as the right one, so either works.
  for (const type of ["keydown", "keyup"]) {
    window.addEventListener(type, (event) => {
      if (event.code !== "ShiftLeft") return;
      event.stopImmediatePropagation();
      event.preventDefault();
      event.target.dispatchEvent(new KeyboardEvent(type, {
        key: event.key, code: "ShiftRight", location: KeyboardEvent.DOM_KEY_LOCATION_RIGHT,
        keyCode: 16, which: 16, shiftKey: event.shiftKey, ctrlKey: event.ctrlKey, altKey: event.altKey,
        metaKey: event.metaKey, repeat: event.repeat, bubbles: true, cancelable: true }));
    }, true);
  }

  // RetroArch's settings over the front end's: the core's whole 384 x 288
  // picture (4:3, whole-number scales; its own aspect ratio would squeeze
  // it to 278 lines) and none of RetroArch's messages ("Fast-Forward.")
  // drawn into it.
  const retroArchSettings = {
    aspect_ratio_index: "0", video_aspect_ratio_auto: "false", video_scale_integer: "true",
    video_font_enable: "false", menu_enable_widgets: "false", fps_show: "false",
    notification_show_fast_forward: "false", notification_show_autoconfig: "false",
    notification_show_remap_load: "false", notification_show_config_override_load: "false",
    notification_show_set_initial_disk: "false", notification_show_refresh_rate: "false",
    notification_show_screenshot: "false", notification_show_cheats_applied: "false",
    notification_show_patch_applied: "false", notification_show_netplay_extra: "false",
  };
  function adjustRetroArch(fs) {
    const path = "/home/web_user/.config/retroarch/retroarch.cfg";
    let text = "";
    try { text = fs.readFile(path, { encoding: "utf8" }); } catch (error) { /* none yet */ }
    const lines = text.split("\n").filter((line) => line.trim() && !(line.split("=")[0].trim() in retroArchSettings));
    for (const name in retroArchSettings) lines.push(name + " = \"" + retroArchSettings[name] + "\"");
    fs.writeFile(path, lines.join("\n") + "\n");
  }

  function fetchBytes(path) {
    // fetch() refuses custom schemes here; XMLHttpRequest serves them.
    return new Promise((resolve, reject) => {
      const request = new XMLHttpRequest();
      request.open("GET", path, true);
      request.responseType = "arraybuffer";
      request.onload = () => request.status < 400 ? resolve(new Uint8Array(request.response))
                                                  : reject(new Error(path + ": " + request.status));
      request.onerror = () => reject(new Error(path + " could not be read"));
      request.send();
    });
  }

  function toBase64(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }

  window.qv3 = {
    pause() { const m = manager(); if (m) m.toggleMainLoop(0); restartRate(); },
    resume() { const m = manager(); if (m) m.toggleMainLoop(1); restartRate(); },
    warp(on) { userWarp = !!on; if (!booting) setWarp(userWarp); restartRate(); },
    frame() { const m = manager(); return m ? m.getFrameNum() : -1; },
    // The VICE snapshot of the machine as it stands, as base64.
    snapshot() { const m = manager(); return m ? toBase64(m.getState()) : ""; },
    started() { return started; },
    // A new program in the running machine: VICE's reset autostarts the
    // content again, which now holds the new program.
    rerun() {
      fetchBytes("program.prg").then((bytes) => {
        const m = manager();
        program = bytes;
        m.FS.writeFile("/program.prg", program);
        booting = true;
        restartRate();
        setWarp(true);
        m.toggleMainLoop(1);
        m.restart();
        report("progress", "Booting the Plus/4");
      }, (error) => report("failed", String(error.message)));
    },
  };

  // Which OpenGL draws the page: on a software renderer the window starts
  // with the screen at 1x, where the machine keeps its full frame rate.
  try {
    const gl = document.createElement("canvas").getContext("webgl");
    const info = gl && gl.getExtension("WEBGL_debug_renderer_info");
    report("renderer", gl ? String(gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER)) : "none");
  } catch (error) {
    report("renderer", "none");
  }
  fitScreen();
  report("progress", "Loading the program");
  // The keyboard map the core loads as its user-defined positional map
  // (its own puts Home on CRSR RIGHT): where VICE looks for one.
  const keyMapFolder = "/vice/PLUS4";
  const keyMapPath = keyMapFolder + "/sdl_pos.vkm";
  Promise.all([fetchBytes("program.prg"), fetchBytes("plus4_keys.vkm")]).then(([bytes, keyMap]) => {
    program = bytes;
    window.EJS_player = "#machine";
    window.EJS_core = "vice_xplus4";
    window.EJS_pathtodata = "data/";
    window.EJS_gameUrl = "program.cmd";
    window.EJS_gameName = "program";
    window.EJS_startOnLoaded = true;
    window.EJS_DEBUG_XX = true;  // the package has no minified build; routes the core's log
    window.EJS_language = "en-US";
    window.EJS_disableAutoLang = false;  // false: no localisation file is fetched
    window.EJS_threads = false;
    window.EJS_disableDatabases = true;
    window.EJS_disableLocalStorage = true;
    window.EJS_noAutoFocus = false;
    window.EJS_volume = 0.5;
    // Direct keyboard input must be on from the start: later, keys are lost.
    window.EJS_defaultOptions = { keyboardInput: "enabled", "save-state-location": "browser",
                                  vice_keyboard_keymap: "positional-user" };
    window.EJS_ready = () => report("progress", "Starting the core");
    window.EJS_onGameStart = () => {
      started = true;
      setWarp(true);
      report("started");
    };
    const script = document.createElement("script");
    script.src = "data/loader.js";
    script.onerror = () => report("failed", "the emulator's loader.js is missing");
    document.body.appendChild(script);
    // The core's file system exists from here on: the program goes in before the core starts.
    const wait = setInterval(() => {
      if (!window.EJS_emulator || !window.EJS_emulator.on) return;
      clearInterval(wait);
      window.EJS_emulator.on("saveDatabaseLoaded", (fs) => {
        adjustRetroArch(fs);
        fs.writeFile("/program.prg", program);
        for (let at = "", parts = keyMapFolder.split("/").filter(Boolean), i = 0; i < parts.length; i++) {
          at += "/" + parts[i];
          try { fs.mkdir(at); } catch (error) { /* there already */ }
        }
        fs.writeFile(keyMapPath, keyMap);
        report("progress", "Booting the Plus/4");
      });
    }, 5);
  }, (error) => report("failed", String(error.message)));
})();
