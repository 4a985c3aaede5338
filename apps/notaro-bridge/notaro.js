// notaro.js: the remark control Notaro and the signature pad Quillpad for
// pages in browsers without ActiveX, hosted by notaro-bridge on this desktop.
// Load it from the bridge: <script src="http://127.0.0.1:16936/notaro.js"></script>
//
//   const c = await Notaro.create("Notaro.NotaroCtrl.1");
//   await c.Download(url, cookie);          // methods by their own names
//   const w = await c.get("PenWidth");      // properties through get and set
//   await c.set("Remarker", "张三");
//   await c.release();                      // or leave it to the page's end
//
//   const pad = await Notaro.create("Quillpad.UCQuillpad");
//   await pad.showWindow(left, top, 396, 235);  // the pad's own window, where
//                                                // the page would hold it
//   await pad.Save();                       // the members are the control's
//
// A failure rejects with an Error whose `number` is the HRESULT and whose
// `description` is the automation error's text, as in the browsers that host
// the ActiveX controls. Calls reach the controls one at a time, in the order
// the page makes them; a call that opens a window (OpenRemark) returns when
// the user has closed it, and the page's later calls wait for it. Another
// page's calls meanwhile are refused with -2147417846 (0x8001010A, the
// application is busy).
(function (global) {
  "use strict";

  var script = document.currentScript;
  var base = script && script.src ? new URL(script.src).origin : "http://127.0.0.1:16936";

  // HRESULTs of what happens on the way, chosen as COM reports the same
  // troubles with a control in another process.
  var CANT_CREATE = -2146827859;  // 0x800A01AD Automation server can't create object
  var SERVER_UNAVAILABLE = -2147023174;  // 0x800706BA The RPC server is unavailable
  var DISCONNECTED = -2147417848;  // 0x80010108 The object invoked has disconnected from its clients
  var ACCESS_DENIED = -2147024891;  // 0x80070005
  var INVALID_ARG = -2147024809;  // 0x80070057
  var TOUCH_EVERY_MS = 60000;

  var session = null;
  var touching = null;
  var last = Promise.resolve();

  function automationError(number, description, source) {
    var e = new Error(description);
    e.number = number;
    e.description = description;
    e.source = source || "";
    return e;
  }

  function refusal(status, why) {
    var number = status === 403 ? ACCESS_DENIED : status === 404 ? DISCONNECTED : INVALID_ARG;
    return automationError(number, "notaro-bridge refused the request: " + why, "notaro-bridge");
  }

  // One request after the other, as the page made them.
  function inTurn(send) {
    var turn = last.then(send, send);
    last = turn.catch(function () {});
    return turn;
  }

  function post(path, body, unreachable) {
    return inTurn(function () {
      return fetch(base + path, {
        method: "POST",
        mode: "cors",
        credentials: "omit",
        cache: "no-store",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(body)
      }).then(function (response) {
        return response.json().then(function (answer) {
          if (!response.ok) throw refusal(response.status, answer.refused || String(response.status));
          if (answer.error) throw automationError(answer.error.number, answer.error.description, answer.error.source);
          return answer;
        }, function () {
          throw refusal(response.status, "no answer the page can read");
        });
      }, function () {
        // The browser tells a page nothing more: the bridge is not running,
        // or it did not let this page in (the page is not one of the office's).
        throw automationError(unreachable, "notaro-bridge did not answer this page at " + base, "notaro-bridge");
      });
    });
  }

  function touch() {
    if (session === null) return;
    post("/touch", { session: session }, SERVER_UNAVAILABLE).catch(function (e) {
      if (e.number === DISCONNECTED) forget();
    });
  }

  function forget() {
    session = null;
    if (touching !== null) clearInterval(touching);
    touching = null;
  }

  function argumentsOf(list) {
    var args = [];
    for (var i = 0; i < list.length; i++) args.push(list[i] === undefined ? null : list[i]);
    return args;
  }

  function makeControl(token, instance, members) {
    var methods = {};
    members.forEach(function (m) {
      if (m.kind === "method") methods[m.name.toLowerCase()] = m.name;
    });
    function call(member, kind, args) {
      return post("/call", { session: token, instance: instance, member: member, kind: kind, args: args },
                  SERVER_UNAVAILABLE).then(function (answer) { return answer.value; });
    }
    var control = {
      get: function (name) { return call(String(name), "get", []); },
      set: function (name, value) { return call(String(name), "put", argumentsOf([value])).then(function () {}); },
      release: function () {
        return post("/release", { session: token, instance: instance }, SERVER_UNAVAILABLE).then(function () {});
      },
      // The control's own window (the signature pad), its drawing area at
      // (left, top) on the screen, width x height pixels as the page would
      // have sized the <object>; shown again it moves. Numbers in screen
      // pixels (Notaro.screenRect gives an element's).
      showWindow: function (left, top, width, height) {
        return post("/window", { session: token, instance: instance, show: true, left: Math.round(left),
                                 top: Math.round(top), width: Math.round(width), height: Math.round(height) },
                    SERVER_UNAVAILABLE).then(function () {});
      },
      hideWindow: function () {
        return post("/window", { session: token, instance: instance, show: false }, SERVER_UNAVAILABLE)
          .then(function () {});
      },
      instance: instance
    };
    // Methods answer to their names in any case, as through IDispatch.
    return new Proxy(control, {
      get: function (target, key) {
        if (typeof key !== "string") return undefined;
        if (Object.prototype.hasOwnProperty.call(target, key)) return target[key];
        var name = methods[key.toLowerCase()];
        if (name === undefined) return undefined;
        return function () { return call(name, "call", argumentsOf(arguments)); };
      }
    });
  }

  global.Notaro = {
    create: function (progid) {
      return post("/create", { progid: String(progid), session: session }, CANT_CREATE).then(function (answer) {
        if (session !== answer.session) {
          session = answer.session;
          if (touching === null) touching = setInterval(touch, TOUCH_EVERY_MS);
        }
        return makeControl(answer.session, answer.instance, answer.members);
      });
    },
    // Where an element of the page lies on the screen, for showWindow: the
    // browser's frame and bars are taken to lie above the page and evenly
    // around it, so the place is as near as the browser lets a page know.
    screenRect: function (element) {
      var r = element.getBoundingClientRect();
      var side = Math.max(0, (global.outerWidth - global.innerWidth) / 2);
      var above = Math.max(0, global.outerHeight - global.innerHeight - side);
      return { left: Math.round(global.screenX + side + r.left), top: Math.round(global.screenY + above + r.top),
               width: Math.round(r.width), height: Math.round(r.height) };
    },
    // Releases every control of the page.
    releaseAll: function () {
      if (session === null) return Promise.resolve();
      var token = session;
      forget();
      return post("/release", { session: token }, SERVER_UNAVAILABLE).then(function () {});
    },
    bridge: base
  };

  // The page's controls go with the page.
  global.addEventListener("pagehide", function () {
    if (session === null) return;
    navigator.sendBeacon(base + "/release", new Blob([JSON.stringify({ session: session })], { type: "text/plain" }));
    forget();
  });
})(window);
