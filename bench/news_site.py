"""A local page made like a news article, for the content blocking row of bench/run.

60 content requests to the page's own server (pictures, scripts, style sheets) and 40
to hosts that the published ad and tracker lists name (pictures and scripts), which
reach the bench's server as its proxy. Every one of the 100 is answered after 100 ms.
"""

import struct
import threading
import zlib

DELAY_S = 0.1

# Hosts named by EasyList (first 17) and EasyPrivacy, each loaded as the kind the list
# blocks it for.
LISTED = [
    ("ib.3lift.com", "img"), ("track.adform.net", "img"), ("ib.adnxs.com", "script"),
    ("c.amazon-adsystem.com", "script"), ("as-sec.casalemedia.com", "img"),
    ("www.googletagservices.com", "script"), ("js-sec.indexww.com", "script"),
    ("z.moatads.com", "script"), ("u.openx.net", "img"), ("image6.pubmatic.com", "img"),
    ("fastlane.rubiconproject.com", "script"), ("ced.smartadserver.com", "img"),
    ("a.teads.tv", "script"), ("match.adsrvr.org", "img"), ("native.sharethrough.com", "script"),
    ("ads.yieldmo.com", "img"), ("contextual.media.net", "script"),
    ("x.bidswitch.net", "img"), ("tags.bluekai.com", "img"), ("cdn.cxense.com", "script"),
    ("dpm.demdex.net", "img"), ("pixel.everesttech.net", "img"),
    ("www.googletagmanager.com", "script"), ("secure-dcr.imrworldwide.com", "img"),
    ("cdn.krxd.net", "script"), ("sc.omtrdc.net", "img"), ("static.chartbeat.com", "script"),
    ("static.criteo.com", "script"), ("www.google-analytics.com", "script"),
    ("static.hotjar.com", "script"), ("pixel.mathtag.com", "img"), ("cdn.mixpanel.com", "script"),
    ("js-agent.newrelic.com", "script"), ("bam.nr-data.net", "img"),
    ("secure.quantserve.com", "script"), ("sb.scorecardresearch.com", "img"),
    ("cdn.segment.io", "script"), ("widgets.outbrain.com", "script"),
    ("cdn.taboola.com", "script"), ("www.clarity.ms", "script"),
]
assert len(LISTED) == 40

CONTENT = (
    [("/news/photo-%d.png" % i, "img") for i in range(25)]
    + [("/news/part-%d.js" % i, "script") for i in range(20)]
    + [("/news/look-%d.css" % i, "css") for i in range(15)]
)
assert len(CONTENT) == 60

TITLE = "Kestrivane bench news"
# Boxes where ads go, by the class names ad lists hide.
SLOTS = ["ad-slot", "ad--banner", "a-sponsor", "abovead"]


def _tag(url, kind, label):
    if kind == "img":
        return "<img src='%s' width='120' height='60' alt='%s'>" % (url, label)
    if kind == "script":
        return "<script async src='%s'></script>" % url
    return "<link rel='stylesheet' href='%s'>" % url


def page(token):
    q = "?r=" + token
    head = "".join(_tag(p + q, k, "") for p, k in CONTENT if k == "css")
    head += "".join(_tag(p + q, k, "") for p, k in CONTENT if k == "script")
    listed = "".join(_tag("http://%s/p/%d.%s%s" % (h, i, "gif" if k == "img" else "js", q), k, "AD")
                     for i, (h, k) in enumerate(LISTED))
    photos = "".join(_tag(p + q, k, "photo") for p, k in CONTENT if k == "img")
    slots = "".join("<div class='%s' style='background:#f4c542;padding:1em;margin:.5em 0'>"
                    "Advertisement (%s)</div>" % (c, c) for c in SLOTS)
    text = "<p>" + "The council met on Tuesday to discuss the new bridge. " * 12 + "</p>"
    return (
        "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + TITLE + "</title>" + head
        + "<script>window.addEventListener('load', function () {"
        "navigator.sendBeacon('/beacon?r=" + token + "', 'onload');});</script></head>"
        "<body style='font-family:sans-serif;margin:1em 2em'><h1>Bridge plan approved</h1>"
        + slots[: len(slots) // 2] + "<div>" + listed + "</div>" + text + photos + text
        + slots[len(slots) // 2:] + text
        + "</body></html>"
    ).encode()


def _png(rgb):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"\x00" + bytes(rgb))) + chunk(b"IEND", b""))


PHOTO = _png((150, 170, 190))  # the article's pictures: grey-blue
AD = _png((240, 120, 20))  # the listed hosts' pictures: orange


class Arrivals:
    """Which of a token's requests reached the server, content and listed apart."""

    def __init__(self):
        self.lock = threading.Lock()
        self.content = {}
        self.listed = {}

    def note(self, path):
        token = path.split("?r=", 1)[1] if "?r=" in path else ""
        with self.lock:
            table = self.listed if path.startswith("http://") else self.content
            table.setdefault(token, set()).add(path)

    def counts(self, token):
        with self.lock:
            return len(self.content.get(token, ())), len(self.listed.get(token, ()))


LISTED_HOSTS = {host for host, _ in LISTED}


def handles(path):
    """The news page and its listed hosts'. Any other host (a program's start page) keeps
    the proxy's 404, which ends the load at once and keeps no connection open."""
    if path.startswith("http://"):
        return path[len("http://"):].split("/", 1)[0].split(":", 1)[0] in LISTED_HOSTS
    return path.startswith("/news/")


def answer(path, arrivals):
    """The delayed answer to a content or listed request: (content type, body)."""
    if path.startswith("/news/index.html"):
        return "text/html; charset=utf-8", page(path.split("?r=", 1)[1] if "?r=" in path else "")
    arrivals.note(path)
    threading.Event().wait(DELAY_S)
    bare = path.split("?", 1)[0]
    if bare.endswith(".png") or bare.endswith(".gif"):
        return "image/png", AD if path.startswith("http://") else PHOTO
    if bare.endswith(".css"):
        return "text/css", b"p { line-height: 1.5; }\n"
    return "text/javascript", b"window.loaded = (window.loaded || 0) + 1;\n"
