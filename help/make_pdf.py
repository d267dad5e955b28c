#!/usr/bin/python3
"""Makes the user manual PDF from its Markdown source.

Markdown -> HTML with Debian's python3-markdown, HTML -> PDF with WeasyPrint
and the paged-media style sheet manual.css: a title page, a contents page
with page numbers, a running header with the chapter, PDF bookmarks from the
headings, figures with their captions.

A chapter starts on a new page only where the page before it is at least three
quarters full; otherwise it follows on the same page. That needs the layout, so the
document is laid out again after each chapter that gets a page break.

Usage: make_pdf.py SOURCE.md OUTPUT.pdf [--html OUTPUT.html]
Exit status 1 with one line on standard error when a tool is missing or the
source cannot be read; the old PDF is removed first, so a failed run never
leaves a stale manual behind.
"""

import html
import os
import re
import struct
import sys

MARGIN_TOP_MM = 20
MARGIN_BOTTOM_MM = 18
MM = 96 / 25.4  # CSS pixels per millimetre
PAGE_HEIGHT_MM = 297
TEXT_WIDTH_MM = 210 - 2 * 18
MM_PER_SCREEN_PX = 25.4 / 96  # a screenshot pixel at 100 % of screen size

# What each screenshot shows, cropped from the window picture that
# scripts/screenshots takes, and the scale it is printed at (1.0 is screen
# size; 0.67 keeps the window's 9 pt labels at 6 pt). The pictures stay whole
# in docs/screenshots; only the manual crops them. (x, y, width, height) in
# screen pixels, or None for the whole picture.
SHOTS = {
    "main.png": ((0, 0, 716, 150), 0.8),
    "form.png": ((0, 0, 672, 645), 0.67),
    "connection_menu.png": ((0, 0, 470, 140), 0.9),
    "read.png": ((0, 0, 672, 645), 0.7),
    "write_check.png": ((0, 0, 672, 470), 0.8),
    "port_settings.png": (None, 0.75),
    "about.png": (None, 0.67),
    "compare.png": ((0, 0, 560, 80), 0.8),
    "preview.png": (None, 0.67),
    "timing.png": (None, 0.72),
    "windows.png": ((0, 0, 716, 470), 0.67),
}
DEFAULT_SHOT_SCALE = 0.7

# Text wider than this many characters of 8 pt monospace is set smaller, so
# that a command, a rule or an output line is never wrapped.
PRE_FONT_PT = 8.0
PRE_MIN_FONT_PT = 5.0
PRE_WIDTH_PT = (TEXT_WIDTH_MM - 6) / 25.4 * 72  # less the block's padding and border
MONO_ADVANCE_EM = 0.602  # DejaVu Sans Mono


def fail(text):
    print("make_pdf: " + text, file=sys.stderr)
    sys.exit(1)


def slug(text, taken):
    base = re.sub(r"[^a-z0-9]+", "-", text.lower()).strip("-") or "section"
    name, n = base, 2
    while name in taken:
        name, n = "%s-%d" % (base, n), n + 1
    taken.add(name)
    return name


def strip_tags(fragment):
    return html.unescape(re.sub(r"<[^>]+>", "", fragment)).strip()


def png_size(path):
    """Width and height of a PNG picture, from its header."""
    try:
        with open(path, "rb") as f:
            head = f.read(24)
    except OSError:
        return None
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def screenshot(attrs, caption, base_url):
    """A screenshot cropped to what it shows and scaled to a share of screen
    size: a clipping box of the cropped size, and the whole picture inside it,
    placed absolutely so that only the crop shows and only the crop takes
    room on the page."""
    src = re.search(r'src="([^"]*)"', attrs)
    size = png_size(os.path.join(base_url, html.unescape(src.group(1)))) if src else None
    if not size:
        return '<figure><img%s><figcaption>%s</figcaption></figure>' % (attrs, caption)
    crop, scale = SHOTS.get(os.path.basename(src.group(1)), (None, DEFAULT_SHOT_SCALE))
    x, y, w, h = crop or (0, 0, size[0], size[1])
    mm = MM_PER_SCREEN_PX * scale
    if w * mm > TEXT_WIDTH_MM:
        mm = TEXT_WIDTH_MM / w
    box = "width:%.2fmm;height:%.2fmm" % (w * mm, h * mm)
    place = "width:%.2fmm;height:%.2fmm;left:-%.2fmm;top:-%.2fmm" % (
        size[0] * mm,
        size[1] * mm,
        x * mm,
        y * mm,
    )
    return '<figure><div class="shot" style="%s"><img%s style="%s"></div><figcaption>%s</figcaption></figure>' % (
        box,
        attrs,
        place,
        caption,
    )


def fit_pre(m):
    """A code block whose longest line is wider than the text is set smaller
    (never below PRE_MIN_FONT_PT), so that its lines are never broken."""
    text = html.unescape(re.sub(r"<[^>]+>", "", m.group(2)))
    longest = max((len(line) for line in text.split("\n")), default=0)
    size = PRE_FONT_PT
    if longest * MONO_ADVANCE_EM * size > PRE_WIDTH_PT:
        size = max(PRE_MIN_FONT_PT, int(PRE_WIDTH_PT / (longest * MONO_ADVANCE_EM) * 10) / 10)
    if size == PRE_FONT_PT:
        return m.group(0)
    return '<pre class="long" style="font-size:%.1fpt"%s' % (size, m.group(1)) + m.group(2) + "</pre>"


# A path is kept on one line, and "COM 1" too; the text may break around them.
PATH = re.compile(r"(?<![\w/.~-])((?:~|\.{1,2})?(?:/[\w.*@:+-]+)+/?|[\w.-]+(?:/[\w.*@:+-]+)+/?)")
COM_PORT = re.compile(r"\bCOM (\d)\b")


def keep_paths_whole(body):
    """Wraps the paths of running text in a span that does not break, outside
    tags, code and preformatted blocks."""
    out = []
    skip = 0
    for part in re.split(r"(<[^>]+>)", body):
        if part.startswith("<"):
            name = re.match(r"</?(\w+)", part)
            if name and name.group(1) in ("pre", "code"):
                skip += -1 if part.startswith("</") else 1
            out.append(part)
        elif skip:
            out.append(part)
        else:
            part = COM_PORT.sub("COM\u00a0\\1", part)
            out.append(PATH.sub(r'<span class="path">\1</span>', part))
    return "".join(out)


def to_html(markdown_module, source, base_url):
    """The manual's body as HTML, with ids on the headings, figures with
    captions, and the title block and its contents list split off."""
    body = markdown_module.markdown(source, extensions=["tables", "fenced_code", "sane_lists"])

    # A paragraph that holds only an image is a figure; its alt text is the caption.
    def figure(m):
        attrs = m.group(1)
        alt = re.search(r'alt="([^"]*)"', attrs)
        caption = alt.group(1) if alt else ""
        return screenshot(attrs, caption, base_url)

    body = keep_paths_whole(body)
    body = re.sub(r"<p><img([^>]*?)\s*/?></p>", figure, body)
    body = re.sub(r"<pre([^>]*)>(.*?)</pre>", fit_pre, body, flags=re.S)
    # A message number in a table's first column stays on one line.
    body = re.sub(r"<td>(message \d+)</td>", r'<td class="message">\1</td>', body)

    # Ids on the chapters (h1) and sections (h2); the contents list links to them.
    taken = set()
    entries = []

    def heading(m):
        level, inner = int(m.group(1)), m.group(2)
        ident = slug(strip_tags(inner), taken)
        entries.append((level, ident, inner))
        return '<h%d id="%s">%s</h%d>' % (level, ident, inner, level)

    body = re.sub(r"<h([12])>(.*?)</h\1>", heading, body)

    # The first chapter is the title: its heading, and what stands before the
    # next chapter, make the title page. A hand-written "Contents" paragraph
    # and what follows it on the title page give way to the generated list.
    chapters = [e for e in entries if e[0] == 1]
    if len(chapters) < 2:
        fail("the manual needs a title heading and at least one chapter")
    title_id, next_id = chapters[0][1], chapters[1][1]
    start = body.index('<h1 id="%s">' % title_id)
    end = body.index('<h1 id="%s">' % next_id)
    title = body[start:end]
    title = re.sub(r"<p><strong>Contents</strong></p>.*", "", title, flags=re.S)
    title = title.replace("<h1 ", '<h1 class="title" ', 1)
    rest = body[end:]

    # The contents: each chapter on a line with its page, its sections run on
    # in one paragraph below it, so that the whole list fits one page.
    toc = ['<nav id="contents"><h1 class="contents">Contents</h1><ul>']
    sections = []

    def close_sections():
        if sections:
            toc.append('<li class="sections">%s</li>' % " · ".join(sections))
            sections.clear()

    for level, ident, inner in entries:
        if ident == title_id:
            continue
        link = '<a href="#%s">%s</a>' % (ident, strip_tags(inner))
        if level == 1:
            close_sections()
            toc.append('<li class="level1">%s</li>' % link)
        else:
            sections.append(link)
    close_sections()
    toc.append("</ul></nav>")
    chapter_ids = [e[1] for e in chapters[1:]]
    return '<section id="title-page">%s</section>%s%s' % (title, "".join(toc), rest), chapter_ids


def page_with_breaks(html_text, breaks):
    for ident in breaks:
        html_text = html_text.replace('<h1 id="%s">' % ident, '<h1 id="%s" class="new-page">' % ident, 1)
    return html_text


def main(argv):
    args = argv[1:]
    html_out = None
    if "--html" in args:
        i = args.index("--html")
        if i + 1 >= len(args):
            fail("--html needs a file name")
        html_out = args[i + 1]
        del args[i : i + 2]
    if len(args) != 2:
        fail("usage: make_pdf.py SOURCE.md OUTPUT.pdf [--html OUTPUT.html]")
    source_path, pdf_path = args

    # Never leave an old manual behind when this run fails.
    if os.path.exists(pdf_path):
        os.remove(pdf_path)

    try:
        import markdown
    except ImportError:
        fail("Python-Markdown is missing: run scripts/setup (Debian package python3-markdown)")
    try:
        import logging

        from weasyprint import CSS, HTML

        # WeasyPrint reports CSS it ignores as warnings; keep the build quiet.
        logging.getLogger("weasyprint").setLevel(logging.ERROR)
    except ImportError:
        fail("WeasyPrint is missing: run scripts/setup (Debian package weasyprint)")

    try:
        with open(source_path, encoding="utf-8") as f:
            source = f.read()
    except OSError as e:
        fail("cannot read %s: %s" % (source_path, e.strerror))

    here = os.path.dirname(os.path.abspath(__file__))
    css_path = os.path.join(here, "manual.css")
    base_url = os.path.dirname(os.path.abspath(source_path))  # image links are relative to the source
    body, chapter_ids = to_html(markdown, source, base_url)
    document_html = (
        '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8">'
        "<title>TQ740conf User Manual</title></head><body>%s</body></html>" % body
    )
    stylesheet = CSS(filename=css_path)

    def render(breaks):
        return HTML(string=page_with_breaks(document_html, breaks), base_url=base_url).render(
            stylesheets=[stylesheet]
        )

    # Lay out, find the first undecided chapter whose heading falls in the
    # lowest quarter of its page, give it a page break, and lay out again.
    content_mm = PAGE_HEIGHT_MM - MARGIN_TOP_MM - MARGIN_BOTTOM_MM
    full_px = (MARGIN_TOP_MM + content_mm * 3 / 4) * MM
    breaks = []
    decided = 0
    document = render(breaks)
    while decided < len(chapter_ids):
        where = {}
        for page in document.pages:
            for ident, (_x, y) in page.anchors.items():
                where.setdefault(ident, y)
        for i in range(decided, len(chapter_ids)):
            decided = i + 1
            if where.get(chapter_ids[i], 0) > full_px:
                breaks.append(chapter_ids[i])
                document = render(breaks)
                break

    if html_out:
        with open(html_out, "w", encoding="utf-8") as f:
            f.write(page_with_breaks(document_html, breaks))
    temp = pdf_path + ".part"
    document.write_pdf(temp)
    os.replace(temp, pdf_path)


if __name__ == "__main__":
    main(sys.argv)
