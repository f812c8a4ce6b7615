#!/usr/bin/python3
"""Draws every picture that ambrix and cendrel show, and their desktop icons.

    /usr/bin/python3 assets/draw_pictures.py

Needs Debian's Pillow (python3-pil) and the system fonts that scripts/setup.sh
installs. Every random choice comes from a fixed seed, so a second run writes
the same files byte for byte.
"""

import colorsys
import functools
import math
import random
from dataclasses import dataclass
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
AMBRIX_DIR = HERE / "ambrix"
CENDREL_DIR = HERE / "cendrel"
ICON_DIR = HERE / "icons" / "hicolor"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

MAKER = "Norvak"
MAKER_CN = "诺沃克"
COMPANY_CN = f"{MAKER_CN}科技有限公司"
COMPANY_EN = "Norvak Science and Technology Co. Ltd."
YEAR = 2013

FONT_FILES = {
    "hei": "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
    "sans": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "sans-bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "sans-cond": "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
}

# The maker's house colours, shared by the logo, the banners and the table pages.
NAVY = (13, 42, 92)
ROYAL = (31, 90, 166)
GOLD = (246, 182, 20)
TEAL = (12, 88, 96)
WHITE = (255, 255, 255)
LANCZOS = Image.Resampling.LANCZOS


@functools.lru_cache(maxsize=None)
def font(kind, size):
    return ImageFont.truetype(FONT_FILES[kind], size)


def has_cjk(text):
    return any(ord(ch) > 0x2E80 for ch in text)


# --------------------------------------------------------------------------
# Building blocks


def supersampled(size, paint, scale=8, background=(0, 0, 0, 0)):
    """Paints on a canvas `scale` times larger and shrinks it: smooth edges.

    `paint(draw, image, s)` receives the scale `s` to turn picture pixels
    into canvas pixels.
    """
    w, h = size
    big = Image.new("RGBA", (w * scale, h * scale), background)
    paint(ImageDraw.Draw(big), big, scale)
    return big.resize((w, h), LANCZOS)


def blend(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def gradient(size, stops, horizontal=False):
    """RGB gradient through `stops` [(position 0..1, colour), ...]."""
    w, h = size
    length = w if horizontal else h
    strip = Image.new("RGB", (length, 1) if horizontal else (1, length))
    for i in range(length):
        t = i / max(1, length - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                colour = blend(c0, c1, (t - p0) / max(1e-9, p1 - p0))
                strip.putpixel((i, 0) if horizontal else (0, i), colour)
                break
    return strip.resize((w, h), Image.Resampling.NEAREST)


def sprinkle_stars(img, box, count, colours, seed, sparkle_share=0.12, keep_clear=()):
    """Scatters stars: mostly single pixels, a few small four-point sparkles.

    No star falls in the `keep_clear` boxes, which hold small text.
    """
    rng = random.Random(seed)
    draw = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    for _ in range(count):
        x, y = rng.randrange(x0, x1), rng.randrange(y0, y1)
        colour = rng.choice(colours)
        if any(cx0 - 3 <= x <= cx1 + 3 and cy0 - 3 <= y <= cy1 + 3 for cx0, cy0, cx1, cy1 in keep_clear):
            continue
        if rng.random() < sparkle_share:
            dim = blend(colour, img.getpixel((x, y))[:3], 0.55)
            draw.line((x - 2, y, x + 2, y), fill=dim)
            draw.line((x, y - 2, x, y + 2), fill=dim)
        draw.point((x, y), fill=colour)


def starry_ground(size, top, bottom, seed, count, colours, keep_clear=()):
    img = gradient(size, ((0, top), (1, bottom)))
    sprinkle_stars(img, (0, 0, size[0], size[1]), count, colours, seed, keep_clear=keep_clear)
    return img


def rainbow_stripes(img, box, stripe=3, saturation=0.85):
    """Vertical stripes whose hue runs once round the colour wheel."""
    draw = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    n = max(1, (x1 - x0) // stripe)
    for i in range(n):
        hue = i / n
        r, g, b = colorsys.hsv_to_rgb(hue, saturation, 1.0)
        colour = (round(r * 255), round(g * 255), round(b * 255))
        draw.rectangle((x0 + i * stripe, y0, x0 + (i + 1) * stripe - 1, y1 - 1), fill=colour)


def glow_text(img, xy, text, fnt, fill, glow, spread=2, blur=2.5, anchor="la", stroke=0, outline=None):
    """Text with a soft halo of colour `glow` round every stroke.

    `stroke` thickens the strokes, drawn in `outline` (the fill when None).
    """
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).text(xy, text, font=fnt, fill=255, anchor=anchor, stroke_width=stroke)
    halo = mask.filter(ImageFilter.MaxFilter(2 * spread + 1)).filter(ImageFilter.GaussianBlur(blur))
    halo = halo.point(lambda v: min(255, v * 2))
    img.paste(glow, (0, 0, img.width, img.height), halo)
    ImageDraw.Draw(img).text(xy, text, font=fnt, fill=fill, anchor=anchor,
                             stroke_width=stroke, stroke_fill=outline or fill)


def paste(dst, src, xy):
    """Lays an RGBA picture over `dst` at `xy`, honouring its transparency."""
    dst.paste(src, xy, src)


# --------------------------------------------------------------------------
# The maker's logo: one design everywhere it appears


def maker_logo(px):
    """The maker's emblem, `px` pixels square, on a transparent ground.

    A white-rimmed navy disc holding a white "N", circled by a gold ring that
    opens at the top right, where a gold spark of light escapes.
    """
    def paint(draw, img, s):
        d = px * s
        rim = d * 0.045
        draw.ellipse((0, 0, d - 1, d - 1), fill=WHITE + (255,))
        draw.ellipse((rim, rim, d - 1 - rim, d - 1 - rim), fill=NAVY + (255,))
        inset = d * 0.12
        ring = (inset, inset, d - inset, d - inset)
        draw.arc(ring, start=-20, end=290, fill=GOLD + (255,), width=max(1, round(d * 0.07)))
        cx, cy = d * 0.78, d * 0.22
        r = d * 0.13
        star = []
        for k in range(8):
            radius = r if k % 2 == 0 else r * 0.38
            angle = math.pi / 4 * k - math.pi / 2
            star.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
        draw.polygon(star, fill=(255, 222, 90, 255))
        letter = font("sans-bold", round(d * 0.5))
        draw.text((d * 0.5, d * 0.53), "N", font=letter, fill=WHITE + (255,), anchor="mm")
    return supersampled((px, px), paint)


def logo_with_name(img, x, y, logo_px, lines):
    """The logo at (x, y) with lines of (text, font, colour) to its right, centred on it."""
    paste(img, maker_logo(logo_px), (x, y))
    draw = ImageDraw.Draw(img)
    heights = [f.getbbox(t)[3] - f.getbbox(t)[1] for t, f, _ in lines]
    gap = 3
    ty = y + (logo_px - sum(heights) - gap * (len(lines) - 1)) / 2
    for (text, fnt, colour), h in zip(lines, heights):
        top = fnt.getbbox(text)[1]
        draw.text((x + logo_px + 6, ty - top), text, font=fnt, fill=colour)
        ty += h + gap


# --------------------------------------------------------------------------
# ambrix: small pictures of the welcome and calculator screens


def dot_strip():
    """A row of orange beads with small yellow dots above and below between them.

    The pattern repeats every 8 pixels, so the overlapping copies that make
    the dotted rules (offsets 136, 144 and 168 pixels) fall on each other.
    """
    def paint(draw, img, s):
        for cell in range(0, 360, 8):
            cx = (cell + 4) * s
            r = 3 * s
            draw.ellipse((cx - r, 7 * s - r, cx + r, 7 * s + r), fill=(240, 120, 20, 255))
            h = 1.1 * s
            draw.ellipse((cx - 2 * s - h, 7 * s - h - 0.6 * s, cx - 2 * s + h, 7 * s + h - 0.6 * s),
                         fill=(255, 190, 80, 255))
            for yy in (2.2, 11.8):
                ex, ey, er = cell * s, yy * s, 1.4 * s
                draw.ellipse((ex - er, ey - er, ex + er, ey + er), fill=(255, 214, 0, 255))
    return supersampled((360, 14), paint)


def bell_flower(draw, s, x, y, size, facing):
    """One white bell hanging from (x, y): dome, flared scalloped rim, stamen tip."""
    w = size * s
    outline = (120, 150, 110, 255)
    top = y * s
    cx = x * s
    body = [(cx - w * 0.32, top + w * 0.25), (cx - w * 0.36, top + w * 0.62),
            (cx - w * 0.55, top + w * 0.92), (cx - w * 0.25, top + w * 0.84),
            (cx, top + w * 0.98), (cx + w * 0.25, top + w * 0.84),
            (cx + w * 0.55, top + w * 0.92), (cx + w * 0.36, top + w * 0.62),
            (cx + w * 0.32, top + w * 0.25)]
    draw.polygon(body, fill=(255, 255, 255, 255), outline=outline, width=max(1, s // 2))
    draw.ellipse((cx - w * 0.33, top, cx + w * 0.33, top + w * 0.5),
                 fill=(255, 255, 255, 255), outline=outline, width=max(1, s // 2))
    draw.rectangle((cx - w * 0.31, top + w * 0.24, cx + w * 0.31, top + w * 0.4), fill=(255, 255, 255, 255))
    draw.line((cx + facing * w * 0.12, top + w * 0.15, cx + facing * w * 0.18, top + w * 0.7),
              fill=(225, 232, 222, 255), width=max(1, s))
    draw.ellipse((cx - w * 0.08, top + w * 0.88, cx + w * 0.08, top + w * 1.04), fill=(250, 210, 60, 255))


def flower_strip():
    """Lily-of-the-valley bells on a winding stem, sparkles, and a little sprite at the foot."""
    w, h = 30, 800
    stem_green = (46, 139, 58, 255)
    leaf_green = (92, 178, 70, 255)
    rng = random.Random(1807)

    def stem_x(y):
        return 15 + 6.5 * math.sin(y / 47.0)

    def paint(draw, img, s):
        points = [(stem_x(y) * s, y * s) for y in range(0, 752)]
        draw.line(points, fill=stem_green, width=2 * s, joint="curve")
        # leaves every so often, alternating sides
        for i, y in enumerate(range(40, 740, 96)):
            side = -1 if i % 2 else 1
            bx = stem_x(y)
            tip = (bx + side * 11, y - 18)
            mid = ((bx + tip[0]) / 2, (y + tip[1]) / 2)
            nx, ny = -(tip[1] - y), tip[0] - bx
            norm = math.hypot(nx, ny)
            bulge = 3.2 / norm
            leaf = [(bx * s, y * s),
                    ((mid[0] + nx * bulge) * s, (mid[1] + ny * bulge) * s),
                    (tip[0] * s, tip[1] * s),
                    ((mid[0] - nx * bulge) * s, (mid[1] - ny * bulge) * s)]
            draw.polygon(leaf, fill=leaf_green)
            draw.line((bx * s, y * s, tip[0] * s, tip[1] * s), fill=stem_green, width=max(1, s // 2))
        # bells on short arching pedicels
        for i, y in enumerate(range(14, 720, 38)):
            side = 1 if i % 2 else -1
            bx = stem_x(y)
            fx = min(max(bx + side * 7.5, 6.5), 23.5)
            draw.line([(bx * s, y * s), ((bx + fx) / 2 * s, (y - 3) * s), (fx * s, (y + 2) * s)],
                      fill=stem_green, width=max(1, s), joint="curve")
            bell_flower(draw, s, fx, y + 1.5, 10 + (i % 3), side)
        # small green sparkles
        for _ in range(70):
            x, y = rng.uniform(2, 28), rng.uniform(4, 735)
            r = rng.uniform(1.2, 2.2)
            sparkle = [(x * s, (y - r) * s), ((x + r * 0.3) * s, (y - r * 0.3) * s),
                       ((x + r) * s, y * s), ((x + r * 0.3) * s, (y + r * 0.3) * s),
                       (x * s, (y + r) * s), ((x - r * 0.3) * s, (y + r * 0.3) * s),
                       ((x - r) * s, y * s), ((x - r * 0.3) * s, (y - r * 0.3) * s)]
            draw.polygon(sparkle, fill=(120, 215, 90, 230))
        draw_sprite(draw, s, 15, 752)
    return supersampled((w, h), paint, scale=4)


def draw_sprite(draw, s, cx, top):
    """A little flower sprite: leaf cap, round face, petal skirt, two feet."""
    skin = (255, 224, 189, 255)
    ink = (60, 40, 30, 255)

    def e(x0, y0, x1, y1, **kw):
        draw.ellipse((x0 * s, y0 * s, x1 * s, y1 * s), **kw)
    # skirt of petals
    draw.polygon([((cx - 9) * s, (top + 32) * s), (cx * s, (top + 14) * s), ((cx + 9) * s, (top + 32) * s)],
                 fill=(255, 150, 190, 255))
    for dx in (-6, 0, 6):
        e(cx + dx - 3.5, top + 28, cx + dx + 3.5, top + 35, fill=(255, 170, 205, 255))
    # arms reaching up to hold the stem
    draw.line([((cx - 4) * s, (top + 20) * s), ((cx - 8) * s, (top + 13) * s)], fill=skin, width=2 * s)
    draw.line([((cx + 4) * s, (top + 20) * s), ((cx + 8) * s, (top + 13) * s)], fill=skin, width=2 * s)
    # feet
    e(cx - 6, top + 35, cx - 1, top + 39, fill=(200, 60, 60, 255))
    e(cx + 1, top + 35, cx + 6, top + 39, fill=(200, 60, 60, 255))
    # head
    e(cx - 7, top + 2, cx + 7, top + 16, fill=skin, outline=(200, 150, 110, 255), width=max(1, s // 2))
    e(cx - 4.2, top + 7.5, cx - 2.2, top + 9.8, fill=ink)
    e(cx + 2.2, top + 7.5, cx + 4.2, top + 9.8, fill=ink)
    e(cx - 6, top + 10.5, cx - 3.5, top + 12.5, fill=(255, 160, 160, 255))
    e(cx + 3.5, top + 10.5, cx + 6, top + 12.5, fill=(255, 160, 160, 255))
    draw.arc(((cx - 2.5) * s, (top + 9.5) * s, (cx + 2.5) * s, (top + 13.5) * s), 20, 160, fill=ink,
             width=max(1, s // 2))
    # leaf cap
    draw.polygon([((cx - 8) * s, (top + 6) * s), (cx * s, (top - 3) * s), ((cx + 8) * s, (top + 6) * s),
                  (cx * s, (top + 3) * s)], fill=(60, 160, 60, 255))
    draw.line([(cx * s, (top - 3) * s), ((cx + 2) * s, (top - 7) * s)], fill=(46, 139, 58, 255), width=s)


def notice_icon():
    def paint(draw, img, s):
        tri = [(20 * s, 2.5 * s), (38 * s, 35 * s), (2 * s, 35 * s)]
        draw.polygon(tri, fill=TEAL + (255,))
        draw.line(tri + [tri[0]], fill=TEAL + (255,), width=3 * s, joint="curve")
        draw.rounded_rectangle((18 * s, 12 * s, 22 * s, 26 * s), radius=2 * s, fill=WHITE + (255,))
        draw.ellipse((17.8 * s, 28 * s, 22.2 * s, 32.4 * s), fill=WHITE + (255,))
    return supersampled((40, 38), paint, background=WHITE + (255,)).convert("RGB")


def link_emblem():
    """Two V shapes linked like chain: the outlined one passes over the filled one on one arm."""
    def vee(x, s):
        # outline of a V 26 px wide and 22 px high, its arms 6.5 px thick
        left, top, width, height, stroke = x, 2, 26, 22, 6.5
        pts = [(left, top), (left + stroke, top), (left + width / 2, top + height - stroke * 1.15),
               (left + width - stroke, top), (left + width, top), (left + width / 2, top + height)]
        return [(px * s, py * s) for px, py in pts]

    def paint(draw, img, s):
        ink = TEAL + (255,)
        filled, outlined = vee(8, s), vee(26, s)
        draw.polygon(filled, fill=ink)
        # the outlined V passes over the filled one: a white gap round its line
        ring = outlined + [outlined[0]]
        draw.line(ring, fill=WHITE + (255,), width=round(4.2 * s), joint="curve")
        draw.line(ring, fill=ink, width=round(1.7 * s), joint="curve")
    return supersampled((60, 26), paint, background=WHITE + (255,)).convert("RGB")


def phosphor_photo():
    """Fifteen glowing phosphor discs under lamp light, photographed on a blue tray."""
    w, h = 91, 60
    rng = random.Random(4242)
    base = gradient((w, h), ((0, (46, 86, 196)), (0.6, (36, 70, 176)), (1, (26, 52, 148))))
    # emission hues from blue-green through green and yellow to orange and red
    hues = [(40, 200, 190), (40, 215, 150), (60, 225, 100), (110, 235, 70), (160, 240, 60),
            (200, 240, 50), (235, 235, 50), (255, 220, 40), (255, 195, 40), (255, 170, 40),
            (255, 140, 40), (255, 110, 40), (250, 80, 40), (240, 55, 45), (220, 35, 45)]
    glow = Image.new("RGB", (w, h), (0, 0, 0))
    discs = Image.new("RGBA", (w * 8, h * 8), (0, 0, 0, 0))
    dd = ImageDraw.Draw(discs)
    gd = ImageDraw.Draw(glow)
    for i, colour in enumerate(hues):
        row, col = divmod(i, 5)
        cx, cy = 10 + col * 17.7 + rng.uniform(-0.4, 0.4), 11 + row * 19 + rng.uniform(-0.4, 0.4)
        gd.ellipse((cx - 8, cy - 8, cx + 8, cy + 8), fill=colour)
        r = 6.3 * 8
        x8, y8 = cx * 8, cy * 8
        dd.ellipse((x8 - r - 8, y8 - r - 8, x8 + r + 8, y8 + r + 8), fill=(200, 205, 215, 255))
        dd.ellipse((x8 - r, y8 - r, x8 + r, y8 + r), fill=colour + (255,))
        core = blend(colour, WHITE, 0.55)
        dd.ellipse((x8 - r * 0.5, y8 - r * 0.55, x8 + r * 0.4, y8 + r * 0.35), fill=core + (255,))
    glow = glow.filter(ImageFilter.GaussianBlur(3.2))
    photo = ImageChops.screen(base, glow.point(lambda v: v * 3 // 4))
    discs = discs.resize((w, h), LANCZOS).filter(ImageFilter.GaussianBlur(0.6))
    paste(photo, discs, (0, 0))
    noisy = photo.load()
    for y in range(h):
        for x in range(w):
            n = rng.gauss(0, 5)
            noisy[x, y] = tuple(max(0, min(255, round(c + n))) for c in noisy[x, y])
    return photo


def welcome_banner():
    w, h = 450, 100
    img = starry_ground((w, h), (8, 22, 70), (18, 44, 110), seed=91, count=260,
                        colours=[(255, 255, 255), (200, 220, 255), (255, 240, 170)],
                        keep_clear=((95, 2, 355, 17), (118, 66, 360, 97)))
    rainbow_stripes(img, (0, 0, 27, h), stripe=3)
    rainbow_stripes(img, (w - 28, 0, w - 1, h), stripe=3)
    draw = ImageDraw.Draw(img)
    draw.text((w / 2, 10), f"{MAKER} Phosphor Technical Support Software", font=font("sans-bold", 12),
              fill=(210, 228, 255), anchor="mm")
    glow_text(img, (w / 2, 40), "荧光粉色容差计算软件", font("hei", 32), fill=(255, 232, 90),
              glow=(230, 90, 20), spread=1, blur=2.0, anchor="mm")
    draw.line((40, 62, w - 42, 62), fill=(90, 130, 200))
    logo_with_name(img, 118, 67, 28, [(COMPANY_CN, font("hei", 14), WHITE),
                                     (COMPANY_EN, font("sans", 10), (200, 215, 240))])
    return img


# --------------------------------------------------------------------------
# ambrix: the maker's phosphor parameter tables


@dataclass
class Product:
    model: str
    body: tuple
    x: float
    y: float
    excitation: str
    peak: int


@dataclass
class Category:
    lines: tuple          # Chinese name, English name, optional formula
    products: tuple


@dataclass
class TablePage:
    filename: str
    size: tuple
    family_cn: str
    family_en: str
    categories: tuple
    notes: tuple          # footnote lines, Chinese then English


HEADERS = (("类别", "Category"), ("型号", "Model"), ("体色", "Body colour"),
           ("色坐标 x", "CIE x"), ("色坐标 y", "CIE y"),
           ("激发波长", "Excitation (nm)"), ("峰值波长", "Peak (nm)"))

PARTICLE_NOTE = ("注：型号末位字母表示粒径 D50：S 为 8–12 μm，M 为 12–16 μm，L 为 16–20 μm。",
                 "Note: the last letter of a model code gives the particle size D50: "
                 "S\u00a08–12\u00a0μm, M\u00a012–16\u00a0μm, L\u00a016–20\u00a0μm.")
MEASURE_NOTE = ("注：色坐标为 455 nm 蓝光激发下的测试值，仅供参考。",
                "Note: CIE x, y measured under 455 nm excitation; for reference only.")

RED = (200, 45, 38)
ORANGE_RED = (226, 92, 40)
ORANGE = (240, 150, 40)
YELLOW = (246, 214, 40)
YELLOW_GREEN = (196, 220, 60)
GREEN = (150, 205, 70)

NITRIDE_PAGE = TablePage(
    "NitrideTablePicture.bmp", (793, 510), "氮化物", "Nitride",
    (Category(("氮化物", "Nitride", "(Sr,Ca)AlSiN₃", "M₂Si₅N₈"), (
        Product("NV-R600S", ORANGE_RED, 0.603, 0.392, "400-470", 600),
        Product("NV-R615M", ORANGE_RED, 0.622, 0.372, "400-470", 615),
        Product("NV-R620M", blend(ORANGE_RED, RED, 0.3), 0.630, 0.365, "420-470", 620),
        Product("NV-R628M", blend(ORANGE_RED, RED, 0.5), 0.640, 0.356, "420-470", 628),
        Product("NV-R635M", blend(ORANGE_RED, RED, 0.7), 0.650, 0.346, "440-470", 635),
        Product("NV-R640L", RED, 0.657, 0.340, "440-470", 640),
        Product("NV-R650M", RED, 0.667, 0.330, "440-470", 650),
        Product("NV-R660M", blend(RED, (150, 20, 30), 0.4), 0.678, 0.318, "440-470", 660))),
     Category(("氮氧化物", "Oxynitride", "β / α-SiAlON"), (
         Product("NV-G535M", YELLOW_GREEN, 0.340, 0.628, "400-460", 535),
         Product("NV-G540S", YELLOW_GREEN, 0.350, 0.625, "400-460", 540),
         Product("NV-O585M", ORANGE, 0.505, 0.482, "420-470", 585),
         Product("NV-O595M", blend(ORANGE, ORANGE_RED, 0.4), 0.528, 0.462, "420-470", 595)))),
    PARTICLE_NOTE)

SILICATE_PAGE = TablePage(
    "SilicateTablePicture.bmp", (632, 573), "硅酸盐", "Silicate",
    (Category(("绿粉", "Green"), (
        Product("NV-SG515M", GREEN, 0.205, 0.640, "400-460", 515),
        Product("NV-SG520M", GREEN, 0.235, 0.645, "400-460", 520),
        Product("NV-SG525M", blend(GREEN, YELLOW_GREEN, 0.5), 0.265, 0.638, "400-460", 525))),
     Category(("黄绿粉", "Yellow-green"), (
         Product("NV-SY530M", YELLOW_GREEN, 0.300, 0.630, "420-465", 530),
         Product("NV-SY535M", YELLOW_GREEN, 0.330, 0.615, "420-465", 535),
         Product("NV-SY540L", blend(YELLOW_GREEN, YELLOW, 0.5), 0.355, 0.600, "420-465", 540))),
     Category(("黄粉", "Yellow"), (
         Product("NV-SY550M", YELLOW, 0.410, 0.560, "430-470", 550),
         Product("NV-SY555M", YELLOW, 0.440, 0.540, "430-470", 555),
         Product("NV-SY560S", YELLOW, 0.460, 0.525, "430-470", 560),
         Product("NV-SY570M", blend(YELLOW, ORANGE, 0.3), 0.485, 0.503, "430-470", 570))),
     Category(("橙粉", "Orange"), (
         Product("NV-SO585M", ORANGE, 0.520, 0.470, "430-470", 585),
         Product("NV-SO590M", ORANGE, 0.535, 0.455, "430-470", 590),
         Product("NV-SO600M", blend(ORANGE, ORANGE_RED, 0.5), 0.560, 0.432, "430-470", 600)))),
    MEASURE_NOTE + PARTICLE_NOTE)

ALUMINATE_PAGE = TablePage(
    "AluminateTablePicture.bmp", (497, 605), "铝酸盐", "Aluminate",
    (Category(("黄粉", "YAG"), (
        Product("NV-Y540M", YELLOW, 0.412, 0.560, "440-470", 540),
        Product("NV-Y545M", YELLOW, 0.420, 0.556, "440-470", 545),
        Product("NV-Y550M", YELLOW, 0.428, 0.552, "445-470", 550),
        Product("NV-Y555S", YELLOW, 0.436, 0.547, "445-470", 555),
        Product("NV-Y556M", YELLOW, 0.440, 0.545, "445-470", 556),
        Product("NV-Y558L", blend(YELLOW, ORANGE, 0.15), 0.446, 0.541, "450-470", 558),
        Product("NV-Y560M", blend(YELLOW, ORANGE, 0.2), 0.450, 0.537, "450-470", 560),
        Product("NV-Y565M", blend(YELLOW, ORANGE, 0.3), 0.460, 0.530, "450-470", 565))),
     Category(("黄绿粉", "GaYAG"), (
         Product("NV-GY530M", blend(YELLOW, YELLOW_GREEN, 0.5), 0.385, 0.570, "440-465", 530),
         Product("NV-GY535M", blend(YELLOW, YELLOW_GREEN, 0.3), 0.395, 0.568, "440-465", 535))),
     Category(("绿粉", "LuAG"), (
         Product("NV-LG525M", YELLOW_GREEN, 0.350, 0.572, "440-460", 525),
         Product("NV-LG530M", YELLOW_GREEN, 0.362, 0.575, "440-460", 530),
         Product("NV-LG535S", blend(YELLOW_GREEN, YELLOW, 0.3), 0.370, 0.570, "440-460", 535)))),
    MEASURE_NOTE + PARTICLE_NOTE)

PAPER = (255, 255, 255)
GRID = (150, 170, 200)
HEADER_FILL = (206, 222, 242)
ROW_TINT = (238, 244, 252)
CATEGORY_FILL = (247, 249, 253)
INK = (30, 36, 48)
MARGIN = 14


def body_disc(colour, px):
    """The body colour of a powder sample: a shaded disc with a thin rim."""
    def paint(draw, img, s):
        d = px * s
        draw.ellipse((0, 0, d - 1, d - 1), fill=blend(colour, (60, 60, 60), 0.45) + (255,))
        draw.ellipse((s, s, d - 1 - s, d - 1 - s), fill=colour + (255,))
        hi = blend(colour, WHITE, 0.5)
        draw.ellipse((d * 0.25, d * 0.18, d * 0.5, d * 0.42), fill=hi + (255,))
    return supersampled((px, px), paint)


def page_banner(img):
    """The maker's band across the top of a table page; returns its bottom edge."""
    w = img.width
    band_h = 54
    img.paste(gradient((w, band_h), ((0, NAVY), (1, ROYAL)), horizontal=True), (0, 0))
    logo_with_name(img, MARGIN, 7, 40, [(COMPANY_CN, font("hei", 22), WHITE)])
    draw = ImageDraw.Draw(img)
    draw.text((w - MARGIN, 20), "LED荧光粉", font=font("hei", 16), fill=GOLD, anchor="rm")
    draw.text((w - MARGIN, 38), "PHOSPHORS", font=font("sans-bold", 10), fill=GOLD, anchor="rm")
    draw.rectangle((0, band_h, w, band_h + 2), fill=GOLD)
    return band_h + 3


def column_widths(page, table_w):
    """Widest text of every column plus padding, with what is left shared out evenly."""
    widths = []
    for i, (cn, en) in enumerate(HEADERS):
        cells = [font("hei", 13).getlength(cn), font("sans-cond", 11).getlength(en)]
        for cat in page.categories:
            if i == 0:
                cells += [category_font(t).getlength(t) for t in cat.lines]
            for p in cat.products:
                cells.append(font("sans", 12).getlength(cell_texts(p)[i]))
        widths.append(max(cells))
    spare = (table_w - sum(widths)) / len(widths)
    if spare < 6:
        raise ValueError(f"{page.filename}: the columns do not fit in {table_w} px")
    return [w + spare for w in widths]


def category_font(text):
    return font("hei", 13) if has_cjk(text) else font("sans-cond", 11)


def cell_texts(p):
    return ("", p.model, "", f"{p.x:.3f}", f"{p.y:.3f}", p.excitation, str(p.peak))


def wrap(text, fnt, width):
    """Breaks `text` into lines no wider than `width`: at blanks, or anywhere in Chinese."""
    lines, line = [], ""
    tokens = list(text) if has_cjk(text) else text.split(" ")
    joiner = "" if has_cjk(text) else " "
    for tok in tokens:
        trial = line + joiner + tok if line else tok
        if fnt.getlength(trial) <= width or not line:
            line = trial
        else:
            lines.append(line)
            line = tok
    lines.append(line)
    return lines


def table_page(page):
    w, h = page.size
    img = Image.new("RGB", page.size, PAPER)
    draw = ImageDraw.Draw(img)
    y = page_banner(img)
    draw.text((w / 2, y + 12), f"{COMPANY_EN}  ·  LED Phosphor Products", font=font("sans", 12),
              fill=(70, 80, 100), anchor="mm")
    draw.text((w / 2, y + 37), f"{YEAR}年 {page.family_cn}荧光粉参数表 / {page.family_en} Phosphors",
              font=font("hei", 18), fill=NAVY, anchor="mm")
    table_top = y + 54

    note_lines = []
    for note in page.notes:
        fnt = font("hei", 12) if has_cjk(note) else font("sans", 11)
        note_lines += [(line, fnt) for line in wrap(note, fnt, w - 2 * MARGIN)]
    notes_h = 17 * len(note_lines)
    footer_h = 10
    header_h = 38
    rows = sum(len(c.products) for c in page.categories)
    row_h = min(28, (h - table_top - header_h - notes_h - footer_h - 14) // rows)

    table_w = w - 2 * MARGIN
    widths = column_widths(page, table_w)
    xs = [MARGIN]
    for cw in widths:
        xs.append(xs[-1] + cw)
    xs = [round(x) for x in xs]
    xs[-1] = w - MARGIN

    draw.rectangle((MARGIN, table_top, w - MARGIN, table_top + header_h), fill=HEADER_FILL)
    for i, (cn, en) in enumerate(HEADERS):
        cx = (xs[i] + xs[i + 1]) / 2
        draw.text((cx, table_top + 13), cn, font=font("hei", 13), fill=NAVY, anchor="mm")
        draw.text((cx, table_top + 28), en, font=font("sans-cond", 11), fill=(60, 80, 120), anchor="mm")

    ry = table_top + header_h
    for cat in page.categories:
        group_top = ry
        for k, p in enumerate(cat.products):
            if k % 2:
                draw.rectangle((xs[1], ry, xs[-1], ry + row_h), fill=ROW_TINT)
            cy = ry + row_h / 2
            for i, text in enumerate(cell_texts(p)):
                if text:
                    draw.text(((xs[i] + xs[i + 1]) / 2, cy), text, font=font("sans", 12), fill=INK, anchor="mm")
            disc_px = min(18, row_h - 6)
            paste(img, body_disc(p.body, disc_px),
                  (round((xs[2] + xs[3] - disc_px) / 2), round(cy - disc_px / 2)))
            ry += row_h
            if k < len(cat.products) - 1:
                draw.line((xs[1], ry, xs[-1], ry), fill=GRID)
        draw.rectangle((xs[0] + 1, group_top + 1, xs[1] - 1, ry - 1), fill=CATEGORY_FILL)
        line_h = [category_font(t).size + 4 for t in cat.lines]
        ty = (group_top + ry) / 2 - sum(line_h) / 2
        for text, lh in zip(cat.lines, line_h):
            colour = NAVY if has_cjk(text) else (70, 85, 110)
            draw.text(((xs[0] + xs[1]) / 2, ty + lh / 2), text, font=category_font(text),
                      fill=colour, anchor="mm")
            ty += lh
        draw.line((xs[0], ry, xs[-1], ry), fill=(90, 115, 160), width=1)
    table_bottom = ry

    for x in xs[1:-1]:
        draw.line((x, table_top, x, table_bottom), fill=GRID)
    draw.line((xs[0], table_top + header_h, xs[-1], table_top + header_h), fill=(90, 115, 160))
    draw.rectangle((xs[0], table_top, xs[-1], table_bottom), outline=NAVY, width=2)

    ny = table_bottom + 8
    for line, fnt in note_lines:
        draw.text((MARGIN, ny), line, font=fnt, fill=(70, 70, 80))
        ny += 17
    draw.rectangle((0, h - 5, w, h), fill=NAVY)
    draw.rectangle((0, h - 7, w, h - 6), fill=GOLD)
    return img


# --------------------------------------------------------------------------
# cendrel


def menu_banner():
    w, h = 451, 101
    img = gradient((w, h), ((0, (200, 228, 250)), (1, (160, 205, 242))))
    sprinkle_stars(img, (0, 0, w, h), 220, [(255, 255, 255), (255, 255, 240), (110, 160, 220)], seed=7)
    visible_centre = 449 / 2     # the box shows 449 of the 451 pixels
    for text, cy in (("NorvakLED荧光粉", 27), ("技术支持专用软件", 74)):
        glow_text(img, (visible_centre, cy), text, font("hei", 38), fill=(214, 20, 26),
                  glow=(255, 236, 60), spread=2, blur=2.2, anchor="mm", stroke=1)
    return img


def converter_banner():
    w, h = 450, 100
    img = Image.new("RGB", (w, h), WHITE)
    sky = starry_ground((w, 50), (20, 60, 170), (40, 95, 200), seed=23, count=140,
                        colours=[(255, 255, 255), (210, 230, 255)])
    img.paste(sky, (0, 0))
    rainbow_stripes(img, (0, 0, 36, 50), stripe=4)
    rainbow_stripes(img, (w - 37, 0, w - 1, 50), stripe=4)
    glow_text(img, (w / 2, 25), "色坐标-色温换算", font("hei", 34), fill=(200, 255, 50),
              glow=(120, 220, 60), spread=1, blur=3.0, anchor="mm", stroke=1, outline=(30, 80, 20))
    draw = ImageDraw.Draw(img)
    draw.line((0, 50, w, 50), fill=GOLD)
    logo_with_name(img, 60, 55, 40, [(COMPANY_CN, font("hei", 19), NAVY),
                                    (COMPANY_EN, font("sans", 12), (60, 70, 90))])
    return img


def menu_logo():
    w, h = 50, 47
    img = Image.new("RGB", (w, h), WHITE)
    paste(img, maker_logo(32), (9, 1))
    ImageDraw.Draw(img).text((w / 2, 40), MAKER, font=font("sans-bold", 11), fill=NAVY, anchor="mm")
    return img


def striped_button(light, dark):
    """A blank button face: fine horizontal stripes inside a bevelled frame."""
    w, h = 72, 30
    img = Image.new("RGB", (w, h))
    draw = ImageDraw.Draw(img)
    for y in range(h):
        draw.line((0, y, w, y), fill=light if y % 2 else dark)
    hi, lo = blend(light, WHITE, 0.65), blend(dark, (0, 0, 0), 0.55)
    for i in range(3):
        draw.line((i, i, w - 1 - i, i), fill=hi)
        draw.line((i, i, i, h - 1 - i), fill=hi)
        draw.line((i, h - 1 - i, w - 1 - i, h - 1 - i), fill=lo)
        draw.line((w - 1 - i, i, w - 1 - i, h - 1 - i), fill=lo)
    draw.rectangle((0, 0, w - 1, h - 1), outline=(40, 40, 40))
    return img


# --------------------------------------------------------------------------
# Desktop icons

# Corners of the spectrum locus, CIE 1931 x, y, from 380 nm round to 700 nm.
SPECTRUM_LOCUS = ((0.1741, 0.0050), (0.1440, 0.0297), (0.1241, 0.0578), (0.1096, 0.0868),
                  (0.0913, 0.1327), (0.0687, 0.2007), (0.0454, 0.2950), (0.0235, 0.4127),
                  (0.0082, 0.5384), (0.0039, 0.6548), (0.0139, 0.7502), (0.0389, 0.8120),
                  (0.0743, 0.8338), (0.1142, 0.8262), (0.1547, 0.8059), (0.2296, 0.7543),
                  (0.3016, 0.6923), (0.3731, 0.6245), (0.4441, 0.5547), (0.5125, 0.4866),
                  (0.5752, 0.4242), (0.6270, 0.3725), (0.6915, 0.3083), (0.7190, 0.2809),
                  (0.7347, 0.2653))


def chromaticity_colour(x, y):
    """A display colour for chromaticity (x, y): sRGB at full brightness."""
    if y <= 1e-6:
        return (0, 0, 0)
    X, Z = x / y, (1 - x - y) / y
    r = 3.2406 * X - 1.5372 - 0.4986 * Z
    g = -0.9689 * X + 1.8758 + 0.0415 * Z
    b = 0.0557 * X - 0.2040 + 1.0570 * Z
    rgb = [max(0.0, c) for c in (r, g, b)]
    top = max(rgb) or 1.0
    return tuple(round(255 * (c / top) ** (1 / 2.2)) for c in rgb)


def icon_master(paint, size=1024):
    """Paints an icon once at `size`; the shipped sizes are shrunk from it."""
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    paint(img, size)
    return img


def ambrix_icon(img, n):
    draw = ImageDraw.Draw(img)
    draw.rounded_rectangle((0, 0, n - 1, n - 1), radius=n * 0.18, fill=(24, 32, 60, 255))

    def to_px(x, y):
        return (n * (0.10 + x * 1.08), n * (0.93 - y * 1.03))
    mask = Image.new("L", (n, n), 0)
    ImageDraw.Draw(mask).polygon([to_px(x, y) for x, y in SPECTRUM_LOCUS], fill=255)
    fill = Image.new("RGB", (n // 4, n // 4))
    for py in range(n // 4):
        for px in range(n // 4):
            x = (px * 4 / n - 0.10) / 1.08
            y = (0.93 - py * 4 / n) / 1.03
            fill.putpixel((px, py), chromaticity_colour(x, y))
    img.paste(fill.resize((n, n), Image.Resampling.BILINEAR), (0, 0), mask)
    # a tolerance ellipse round a measured point near the white point,
    # its long axis tilted up to the right as the ellipses near white are
    cx, cy = to_px(0.345, 0.355)
    a, b = n * 0.2, n * 0.12
    dark, light = (20, 20, 30, 255), (255, 255, 255, 255)
    ring = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    rd = ImageDraw.Draw(ring)
    for half, colour in ((n * 0.03, dark), (n * 0.015, light)):
        # a line of width 2 * half centred on the ellipse's path
        rd.ellipse((cx - a - half, cy - b - half, cx + a + half, cy + b + half), outline=colour,
                   width=round(2 * half))
    for r, colour in ((n * 0.045, dark), (n * 0.025, light)):
        rd.ellipse((cx - r, cy - r, cx + r, cy + r), fill=colour)
    img.alpha_composite(ring.rotate(40, resample=Image.Resampling.BICUBIC, center=(cx, cy)))


def cendrel_icon(img, n):
    warm_cool = gradient((n, n), ((0, (150, 185, 255)), (0.5, (255, 244, 230)), (1, (255, 140, 40))))
    mask = Image.new("L", (n, n), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, n - 1, n - 1), radius=n * 0.18, fill=255)
    img.paste(warm_cool, (0, 0), mask)
    draw = ImageDraw.Draw(img)
    outline = (40, 40, 60, 255)
    tx, w = n * 0.36, n * 0.15
    bulb_r = n * 0.14
    bulb_cy = n * 0.76
    draw.rounded_rectangle((tx - w / 2 - n * 0.025, n * 0.08, tx + w / 2 + n * 0.025, bulb_cy),
                           radius=w, fill=outline)
    draw.ellipse((tx - bulb_r - n * 0.025, bulb_cy - bulb_r - n * 0.025,
                  tx + bulb_r + n * 0.025, bulb_cy + bulb_r + n * 0.025), fill=outline)
    draw.rounded_rectangle((tx - w / 2, n * 0.105, tx + w / 2, bulb_cy), radius=w / 2, fill=(255, 255, 255, 255))
    draw.ellipse((tx - bulb_r, bulb_cy - bulb_r, tx + bulb_r, bulb_cy + bulb_r), fill=(220, 30, 30, 255))
    draw.rectangle((tx - w * 0.22, n * 0.34, tx + w * 0.22, bulb_cy), fill=(220, 30, 30, 255))
    for k in range(4):
        ty = n * (0.2 + 0.1 * k)
        draw.line((tx + w / 2 + n * 0.03, ty, tx + w / 2 + n * 0.09, ty), fill=outline, width=round(n * 0.025))
    draw.text((n * 0.72, n * 0.62), "K", font=font("sans-bold", round(n * 0.42)), fill=(255, 255, 255, 255),
              anchor="mm", stroke_width=round(n * 0.03), stroke_fill=outline)


def write_icons(name, paint):
    master = icon_master(paint)
    for px in ICON_SIZES:
        path = ICON_DIR / f"{px}x{px}" / "apps" / f"{name}.png"
        path.parent.mkdir(parents=True, exist_ok=True)
        master.resize((px, px), LANCZOS).save(path, optimize=True)


# --------------------------------------------------------------------------
# Writing the files


def save_png(img, path):
    img.save(path, optimize=True)


def save_bmp(img, path):
    img.convert("RGB").save(path, format="BMP")


def save_gif(img, path, colours=256):
    """Palette without dithering: flat fields and text edges stay clean."""
    img.convert("RGB").quantize(colors=colours, method=Image.Quantize.MEDIANCUT,
                                dither=Image.Dither.NONE).save(path, format="GIF", optimize=False)


def main():
    AMBRIX_DIR.mkdir(exist_ok=True)
    CENDREL_DIR.mkdir(exist_ok=True)

    save_png(dot_strip(), AMBRIX_DIR / "DotStrip.png")
    save_png(welcome_banner(), AMBRIX_DIR / "WelcomeBanner.png")
    save_png(flower_strip(), AMBRIX_DIR / "FlowerStrip.png")
    save_png(notice_icon(), AMBRIX_DIR / "NoticeIcon.png")
    save_png(link_emblem(), AMBRIX_DIR / "LinkEmblem.png")
    save_png(phosphor_photo(), AMBRIX_DIR / "PhosphorPhoto.png")
    for page in (NITRIDE_PAGE, SILICATE_PAGE, ALUMINATE_PAGE):
        save_bmp(table_page(page), AMBRIX_DIR / page.filename)

    save_bmp(menu_banner(), CENDREL_DIR / "MenuBanner.bmp")
    save_gif(menu_logo(), CENDREL_DIR / "MenuLogo.gif")
    save_gif(striped_button((150, 166, 186), (128, 145, 168)), CENDREL_DIR / "SteelButton.gif", 16)
    save_gif(striped_button((226, 120, 140), (204, 92, 116)), CENDREL_DIR / "RoseButton.gif", 16)
    save_gif(striped_button((112, 190, 100), (84, 164, 76)), CENDREL_DIR / "GreenButton.gif", 16)
    save_gif(converter_banner(), CENDREL_DIR / "ConverterBanner.gif")

    write_icons("ambrix", ambrix_icon)
    write_icons("cendrel", cendrel_icon)


if __name__ == "__main__":
    main()
