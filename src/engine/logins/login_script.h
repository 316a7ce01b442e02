#pragma once

namespace kv {

// The name of the message handler, which exists in the program's world alone.
inline constexpr const char* kLoginHandler = "kvLogins";

// The script of the program's world in every frame, with `@KEY@` standing for this run's
// key. A frame of another origin than the top page does nothing. The page's own world
// shares the document but none of this: it cannot see the listeners, replace the
// functions or reach the handler. Nothing here writes into the page before the user's
// pick.
inline constexpr const char* kLoginScript = R"JS(
(() => {
  if (window.kvLogins) return;
  const key = '@KEY@';
  const sameOriginAsTop = () => {
    if (window === top) return true;
    const ancestors = location.ancestorOrigins;
    if (ancestors) return [...ancestors].every(origin => origin === location.origin);
    try { return top.location.origin === location.origin; } catch (e) { return false; }
  };
  if (!sameOriginAsTop()) return;
  const isInput = node => node && node.localName === 'input';
  const textLike = input => ['text', 'email', 'tel'].includes(input.type);
  // The form's (or the document's) fields, and its user name and password fields: the
  // first password field, and the last text field before it.
  const loginFields = input => {
    const all = input.form ? [...input.form.elements]
                           : [...input.ownerDocument.querySelectorAll('input')];
    const inputs = all.filter(e => isInput(e) && !e.disabled && e.type !== 'hidden');
    const password = inputs.find(e => e.type === 'password');
    if (!password) return null;
    const user = inputs.slice(0, inputs.indexOf(password)).reverse().find(textLike) || null;
    return {inputs, user, password};
  };
  const isLoginField = node => {
    if (!isInput(node)) return false;
    const fields = loginFields(node);
    return !!fields && (node === fields.password || node === fields.user);
  };
  const post = message => {
    message.key = key;
    try { webkit.messageHandlers.kvLogins.postMessage(message); } catch (e) {}
  };
  // A point of this window's viewport in the top page's, through the frames above it.
  const toTop = (x, y) => {
    for (let w = window; w !== top; w = w.parent) {
      const frame = w.frameElement;
      if (!frame) return null;
      const outer = frame.getBoundingClientRect();
      const style = w.parent.getComputedStyle(frame);
      x += outer.left + frame.clientLeft + parseFloat(style.paddingLeft);
      y += outer.top + frame.clientTop + parseFloat(style.paddingTop);
    }
    return {x, y};
  };
  const frameOf = node => node.ownerDocument.defaultView.frameElement;
  // How opaque the field is drawn: its opacity and its ancestors', through the frames.
  const drawnOpacity = field => {
    let opacity = 1;
    for (let node = field; node;) {
      const style = node.ownerDocument.defaultView.getComputedStyle(node);
      opacity *= parseFloat(style.opacity);
      for (const [, amount, percent] of style.filter.matchAll(/opacity\(([\d.]+)(%?)\)/g))
        opacity *= parseFloat(amount) / (percent ? 100 : 1);
      const root = node.parentNode;
      node = node.parentElement || (root && root.host) || frameOf(node);
    }
    return opacity;
  };
  // The element drawn at a point of the top page's viewport, looked up through frames of
  // this origin and open shadow roots, as a click there would find it.
  const elementAt = (x, y) => {
    let hit = top.document.elementFromPoint(x, y);
    while (hit) {
      if (hit.shadowRoot) {
        const inner = hit.shadowRoot.elementFromPoint(x, y);
        if (inner && inner !== hit) { hit = inner; continue; }
      }
      if (hit.localName !== 'iframe' && hit.localName !== 'frame') return hit;
      let inner = null;
      try { inner = hit.contentDocument; } catch (e) {}
      if (!inner) return hit;
      const outer = hit.getBoundingClientRect();
      const style = hit.ownerDocument.defaultView.getComputedStyle(hit);
      x -= outer.left + hit.clientLeft + parseFloat(style.paddingLeft);
      y -= outer.top + hit.clientTop + parseFloat(style.paddingTop);
      hit = inner.elementFromPoint(x, y);
    }
    return null;
  };
  // The field's rectangle in the top page's viewport while a person can see it: of some
  // size, in the visible area, drawn (not hidden, nearly opaque) and not covered at its
  // centre, in every frame on the way; otherwise null.
  const seenPlace = field => {
    const box = field.getBoundingClientRect();
    const corner = toTop(box.left, box.top);
    if (!corner || box.width < 4 || box.height < 4) return null;
    const place = {x: corner.x, y: corner.y, width: box.width, height: box.height};
    const middleX = place.x + place.width / 2, middleY = place.y + place.height / 2;
    if (middleX < 0 || middleY < 0 || middleX >= top.innerWidth || middleY >= top.innerHeight)
      return null;
    for (let node = field; node; node = frameOf(node)) {
      if (node.checkVisibility && !node.checkVisibility({visibilityProperty: true,
                                                          contentVisibilityAuto: true}))
        return null;
    }
    if (drawnOpacity(field) < 0.5) return null;
    return elementAt(middleX, middleY) === field ? place : null;
  };
  // The shared state of this page's windows: the top page's, which the frames of its
  // origin reach.
  const shared = window === top ? {tab: null, offered: null}
                                : (top.kvLogins ? top.kvLogins.shared : {});
  const offer = (field, via, at) => {
    if (!isLoginField(field)) return;
    const place = seenPlace(field);
    if (!place) return;
    shared.offered = field;
    post(Object.assign({what: 'field', via, origin: location.origin}, place, at || {}));
  };
  // A press on a field, where the window system put it: the program matches the point
  // with the press it saw.
  addEventListener('mousedown', e => {
    if (!e.isTrusted || e.button !== 0) return;
    const at = toTop(e.clientX, e.clientY);
    if (at) offer(e.composedPath()[0] || e.target, 'press', {atX: at.x, atY: at.y});
  }, true);
  // The user's Tab moves the focus as its keydown's default, unless the page prevented it:
  // before the next task, and first of the focus moves after it.
  addEventListener('keydown', e => {
    if (!e.isTrusted) return;
    // Shift+Tab's key may read "Unidentified"; its key code is Tab's.
    const tab = (e.key === 'Tab' || e.keyCode === 9) && !e.ctrlKey && !e.altKey && !e.metaKey;
    shared.tab = tab ? e : null;
    if (tab) setTimeout(() => { if (shared.tab === e) shared.tab = null; });
  }, true);
  addEventListener('focusin', e => {
    // A focus that a script moved, the page's or any other, has it under it on the stack.
    const moved = new Error().stack.split('\n').length > 1;
    const tab = shared.tab;
    shared.tab = null;
    if (!e.isTrusted || moved || !tab || tab.defaultPrevented) return;
    offer(e.composedPath()[0] || e.target, 'tab', null);
  }, true);

  // What a submitted form holds, read as the submit event goes out: a page may empty its
  // fields in its own handler.
  const loginOf = (form, submitter) => {
    const first = [...form.elements].find(e => isInput(e) && e.type === 'password');
    if (!first) return null;
    const fields = loginFields(first);
    const filled = fields.inputs.filter(e => e.type === 'password' && e.value);
    if (!filled.length) return null;
    const action = submitter && submitter.hasAttribute('formaction') ? submitter.formAction
                                                                      : form.action;
    let actionOrigin = '';
    try { actionOrigin = new URL(action, document.baseURI).origin; } catch (e) {}
    return {origin: location.origin, action: actionOrigin,
            user: fields.user ? fields.user.value : '',
            password: filled[filled.length - 1].value};
  };
  let last = null;
  addEventListener('submit', e => {
    if (e.isTrusted && e.target.localName === 'form') {
      last = {login: loginOf(e.target, e.submitter), at: Date.now()};
    }
  }, true);

  // The windows of this page's origin: the top page and its frames of the same origin.
  const ownWindows = () => {
    const found = [];
    const visit = w => {
      found.push(w);
      for (let i = 0; i < w.frames.length; ++i) {
        let inner = null;
        try { inner = w.frames[i].document; } catch (e) {}
        if (inner && inner.defaultView && inner.defaultView.location.origin === location.origin)
          visit(inner.defaultView);
      }
    };
    visit(window);
    return found;
  };
  const freshSubmission = (w, values) => {
    const api = w.kvLogins;
    const noted = api && api.lastSubmission();
    return noted && noted.login && Date.now() - noted.at < 5000 &&
        values.includes(noted.login.password) ? noted.login : null;
  };
  window.kvLogins = {
    lastSubmission: () => last,
    // The login of the form being submitted, whose text fields hold `values`: the one
    // whose submit event went out, or (for form.submit(), which sends none) the form
    // whose password is among them.
    submitted: values => {
      const windows = ownWindows();
      for (const w of windows) {
        const login = freshSubmission(w, values);
        if (login) return login;
      }
      for (const w of windows) {
        for (const form of w.document.forms) {
          const login = loginOf(form, null);
          if (login && values.includes(login.password) &&
              (!login.user || values.includes(login.user))) return login;
        }
      }
      return null;
    },
    shared,
    // Fills the login fields of the field last offered, in a frame of `origin` only.
    fill: (origin, user, password) => {
      const field = shared.offered;
      if (!field || !field.isConnected || !isLoginField(field)) return false;
      const view = field.ownerDocument.defaultView;
      if (!view || view.location.origin !== origin || location.origin !== origin) return false;
      const fields = loginFields(field);
      const put = (input, value) => {
        const Event = input.ownerDocument.defaultView.Event;
        input.value = value;
        input.dispatchEvent(new Event('input', {bubbles: true}));
        input.dispatchEvent(new Event('change', {bubbles: true}));
      };
      if (fields.user) put(fields.user, user);
      put(fields.password, password);
      return true;
    },
  };
})();
)JS";

}  // namespace kv
