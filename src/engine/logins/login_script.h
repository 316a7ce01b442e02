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
  // The field's rectangle in the top page's viewport, through the frames above it.
  const placeInTop = field => {
    const box = field.getBoundingClientRect();
    let x = box.left, y = box.top, w = window;
    while (w !== top) {
      const frame = w.frameElement;
      if (!frame) return null;
      const outer = frame.getBoundingClientRect();
      const style = w.parent.getComputedStyle(frame);
      x += outer.left + frame.clientLeft + parseFloat(style.paddingLeft);
      y += outer.top + frame.clientTop + parseFloat(style.paddingTop);
      w = w.parent;
    }
    return {x, y, width: box.width, height: box.height};
  };
  const offer = field => {
    if (!isLoginField(field)) return;
    const place = placeInTop(field);
    if (place) post(Object.assign({what: 'field', origin: location.origin}, place));
  };
  addEventListener('mousedown', e => { if (e.isTrusted && e.button === 0) offer(e.target); },
                   true);
  addEventListener('focusin', e => {
    const activation = navigator.userActivation;
    if (e.isTrusted && (!activation || activation.isActive)) offer(e.target);
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
    // Fills the login fields around the focused field, in a frame of `origin` only.
    fill: (origin, user, password) => {
      if (location.origin !== origin) return false;
      let doc = document, field = doc.activeElement;
      while (field && (field.localName === 'iframe' || field.localName === 'frame')) {
        let inner = null;
        try { inner = field.contentDocument; } catch (e) {}
        if (!inner || inner.defaultView.location.origin !== origin) return false;
        doc = inner;
        field = doc.activeElement;
      }
      if (!isLoginField(field)) return false;
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
