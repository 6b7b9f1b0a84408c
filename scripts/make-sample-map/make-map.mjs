// Makes examples/snail-map.svg, the sample map as a drawing in Inkscape's form: Japan's outline,
// the survey points with their labels (the word for "snail" said there), a title, and the
// symbols text to object puts in place of the labels.
//
// Run by hand, not by the tests; the SVG it writes is committed:
//
//   cd scripts/make-sample-map && npm ci && node make-map.mjs
//
// Data: Japan's outline is Natural Earth's 1:10m admin 0 countries (public domain), as the npm
// package world-atlas (ISC) carries it in TopoJSON (countries-10m.json, Japan is id "392"). It is
// read with topojson-client (ISC) and projected with d3-geo (ISC). The survey points are real
// places (their longitude and latitude are below); the forms they carry are made up, the same
// forms as examples/snail-map.json. The symbols are that map's patterns, read from it, coloured
// here.
//
// The drawing:
// - an A4 page (595 × 842 user units, y downwards);
// - four layers, bottom to top (the file's order): "基図" (the land, locked), "地点記号" (a small
//   black square at each point, tagged kzn:kznPointName with the place's name), "調査地点" (the
//   labels, one <text> each, and one group of two texts the commands leave alone), "凡例" (the
//   title); the survey layer is the current one;
// - in <defs>, one <symbol> per pattern of examples/snail-map.json, named by its <title>, in the
//   colours of PAINTS below.
//
// A map document lists a layer's art from the front; a drawing lists it from the back. The lists
// below are written from the front, as the JSON map has them, and written out reversed.

import { readFileSync, writeFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { geoArea, geoCentroid, geoConicConformal } from "d3-geo";
import { feature } from "topojson-client";

const here = dirname(fileURLToPath(import.meta.url));
const examples = join(here, "..", "..", "examples");
const outFile = join(examples, "snail-map.svg");

const WIDTH = 595;
const HEIGHT = 842;
const LABEL_SIZE = 7;

// Longitude, latitude (degrees), the place's name and the form heard there. From the front of the
// survey layer: north to south, as in the JSON map. hidden and locked are as that map has them.
const POINTS = [
  [142.365, 43.771, "旭川", "カタツムリ"],
  [144.382, 42.985, "釧路", "カタツムリ"],
  [141.347, 43.064, "札幌", "マイマイ"],
  [140.729, 41.769, "函館", "ツブリ"],
  [140.74, 40.824, "青森", "ツブリ"],
  [140.464, 40.603, "弘前", "ツブリ"],
  [141.154, 39.702, "盛岡", "ナメクジ"],
  [140.102, 39.719, "秋田", "ツブラメ"],
  [140.872, 38.268, "仙台", "デンデンムシ"],
  [140.363, 38.24, "山形", "ツブリ"],
  [140.468, 37.75, "福島", "マイマイ"],
  [139.023, 37.902, "新潟", "カタツムリ"],
  [140.447, 36.342, "水戸", "マイマイ"],
  [139.884, 36.566, "宇都宮", "マイマイ"],
  [139.061, 36.391, "前橋", "マイマイ"],
  [139.692, 35.69, "東京", "マイマイ", { hidden: true }],
  [139.642, 35.448, "横浜", "マイマイ"],
  [138.568, 35.664, "甲府", "カタツムリ"],
  [138.181, 36.651, "長野", "カタツムリ"],
  [137.211, 36.695, "富山", "カタツムリ"],
  [136.626, 36.594, "金沢", "ダイロ", { locked: true }],
  [136.222, 36.065, "福井", "デンデンムシ"],
  [138.383, 34.977, "静岡", "マイマイ"],
  [136.907, 35.18, "名古屋", "デンデンムシ"],
  [136.509, 34.73, "津", "デンデンムシ"],
  [135.756, 35.021, "京都", "デンデンムシ"],
  [135.52, 34.686, "大阪", "デンデンムシ"],
  [135.833, 34.685, "奈良", "デンデンムシ"],
  [135.167, 34.226, "和歌山", "デンデンムシ"],
  [135.183, 34.691, "神戸", "デンデンムシ"],
  [134.238, 35.504, "鳥取", "デンデンムシ"],
  [133.051, 35.472, "松江", "デンデンムシ"],
  [133.935, 34.662, "岡山", "デンデンムシ"],
  [132.46, 34.397, "広島", "デンデンムシ"],
  [131.471, 34.186, "山口", "デンデンムシ"],
  [134.043, 34.34, "高松", "デンデンムシ"],
  [132.766, 33.842, "松山", "マイマイ"],
  [133.531, 33.56, "高知", "マイマイ"],
  [130.418, 33.607, "福岡", "ツグラメ"],
  [129.874, 32.745, "長崎", "ツグラメ"],
  [130.742, 32.79, "熊本", "ツグラメ"],
  [130.558, 31.56, "鹿児島", "ナメクジ"],
  [127.681, 26.212, "那覇", "チンナン", { locked: true }],
];

// At the back of the survey layer: a note of two texts grouped at a point with no square (八王子),
// a form still to be checked. The commands work on the layer's own texts and leave it alone.
const NOTE = { at: [139.316, 35.666], lines: [["マイマイツブロ", LABEL_SIZE], ["(要確認)", 6]] };

// The title, top left over the sea, from the front.
const TITLE = [
  ["かたつむり(蝸牛)の方言分布", 14],
  ["調査: 架空の試料", 8],
  ["基図: Natural Earth (パブリックドメイン)", 6],
];

// Land: Japan's polygons less the far islands south of 30°N and east of 131°E (the Bonin and
// Volcano islands, the Daitō islands, Minami-Tori-shima, Okino-Tori-shima), which would stretch
// the page, and less islets under 2 km² (a speck at this scale). The islands south of 27.5°N
// (Okinawa, Miyako, Yaeyama, and Yoron and Okinoerabu with them) are drawn in a box of their own
// at the bottom right, at the same scale, as Japanese maps do.
const SOUTH = 27.5;
function japan() {
  const file = join(here, "node_modules", "world-atlas", "countries-10m.json");
  const topo = JSON.parse(readFileSync(file, "utf8"));
  const jp = feature(topo, topo.objects.countries).features.find((f) => f.id === "392");
  if (!jp || jp.geometry.type !== "MultiPolygon") throw new Error("no Japan (id 392) in " + file);
  const EARTH_KM = 6371;
  const main = [];
  const south = [];
  for (const rings of jp.geometry.coordinates) {
    const polygon = { type: "Polygon", coordinates: rings };
    const [lon, lat] = geoCentroid(polygon);
    if (lat < 30 && lon > 131) continue;
    if (geoArea(polygon) * EARTH_KM * EARTH_KM < 2) continue;
    (lat < SOUTH ? south : main).push(rings);
  }
  const multi = (coordinates) => ({ type: "MultiPolygon", coordinates });
  return { main: multi(main), south: multi(south) };
}

const land = japan();
// Lambert's conformal conic, as Japanese maps of this size often are, centred on 136°E; the main
// islands fill the page but for a margin. The top left (the Sea of Japan) stays free for the title.
const projection = geoConicConformal()
  .rotate([-136, 0])
  .parallels([30, 42])
  .fitExtent(
    [
      [20, 20],
      [WIDTH - 20, HEIGHT - 20],
    ],
    land.main,
  );

// The box of the southern islands: their projected bounds, moved to the bottom right corner.
const INSET_MARGIN = 8;
const inset = (() => {
  let [x0, y0, x1, y1] = [Infinity, Infinity, -Infinity, -Infinity];
  for (const rings of land.south.coordinates) {
    for (const [x, y] of rings[0].map((p) => projection(p))) {
      [x0, y0, x1, y1] = [Math.min(x0, x), Math.min(y0, y), Math.max(x1, x), Math.max(y1, y)];
    }
  }
  const dx = WIDTH - 20 - INSET_MARGIN - x1;
  const dy = HEIGHT - 20 - INSET_MARGIN - y1;
  const frame = [x0 + dx - INSET_MARGIN, y0 + dy - INSET_MARGIN, WIDTH - 20, HEIGHT - 20];
  return { dx, dy, frame };
})();

// A place on the page: in the box when it is south of 27.5°N and west of 131°E.
function onMap([lon, lat]) {
  const [x, y] = projection([lon, lat]);
  return lat < SOUTH && lon < 131 ? [x + inset.dx, y + inset.dy] : [x, y];
}

const round = (v) => {
  const r = Math.round(v * 10) / 10;
  return Object.is(r, -0) ? "0" : String(r);
};
const xy = ([x, y]) => `${round(x)},${round(y)}`;
// Symbols keep their numbers as the JSON map has them.
const exact = ([x, y]) => `${x === 0 ? 0 : x},${y === 0 ? 0 : y}`;

function landPath() {
  const parts = [];
  for (const [polygons, shift] of [
    [land.main, [0, 0]],
    [land.south, [inset.dx, inset.dy]],
  ]) {
    for (const ring of polygons.coordinates.flat()) {
      const points = [];
      for (const lonlat of ring) {
        const [x, y] = projection(lonlat);
        const p = xy([x + shift[0], y + shift[1]]);
        if (p !== points[points.length - 1]) points.push(p);
      }
      if (points.length > 1 && points[0] === points[points.length - 1]) points.pop();
      if (points.length < 3) continue;
      parts.push("M" + points[0] + points.slice(1).map((p) => "L" + p).join("") + "Z");
    }
  }
  return parts.join("");
}

function insetFrame() {
  const [x0, y0, x1, y1] = inset.frame.map(round);
  return `M${x0},${y0}L${x1},${y0}L${x1},${y1}L${x0},${y1}Z`;
}

// The symbols' colours, as a dialect atlas has them: a colour for each family of forms (the first
// six of the tab10 palette), given to the symbols by the forms examples/snail-symbols.csv gives
// them. A filled symbol is filled in its colour, its outline (where it has one) in the same colour;
// an open symbol is a white inside with an outline in its colour. Each pattern's shape, whether
// it is filled and stroked and how wide, are examples/snail-map.json's; a path there that carries
// a paint must carry these colours.
const WHITE = "#ffffff";
const BLUE = "#1f77b4";
const ORANGE = "#ff7f0e";
const GREEN = "#2ca02c";
const RED = "#d62728";
const PURPLE = "#9467bd";
const BROWN = "#8c564b";
const PAINTS = {
  黒丸: { fill: BLUE }, // デンデンムシ
  白丸: { fill: WHITE, stroke: ORANGE }, // マイマイ
  三角: { fill: GREEN, stroke: GREEN }, // カタツムリ
  四角: { fill: WHITE, stroke: RED }, // ツブリ, and with others ツブラメ and ツグラメ
  十字: { stroke: RED }, // ツブラメ, beside 四角: of ツブリ's family
  菱形: { fill: PURPLE, stroke: PURPLE }, // ナメクジ
  丸: { fill: BROWN, stroke: BROWN }, // in no row of the table: a circle to give by hand
};

// The style of a path of the pattern NAME: the pattern's fill and stroke (style, as the JSON map
// has it) in the pattern's colours.
function styleOf(name, style = {}, paint = {}) {
  const paints = PAINTS[name];
  if (!paints) throw new Error(`make-map: no colours for the pattern ${name}`);
  for (const part of ["fill", "stroke"]) {
    if (Boolean(style[part]) !== Boolean(paints[part])) {
      const has = style[part] ? "a" : "no";
      throw new Error(`make-map: the pattern ${name} has ${has} ${part} in snail-map.json`);
    }
    if (paint[part] !== undefined && paint[part] !== (paints[part] ?? "none")) {
      const other = paint[part];
      throw new Error(`make-map: snail-map.json paints the pattern ${name}'s ${part} ${other}`);
    }
  }
  const parts = [];
  parts.push(style.fill ? `fill:${paints.fill}` : "fill:none");
  if (style.stroke) {
    parts.push(`stroke:${paints.stroke}`, `stroke-width:${style.stroke.width ?? 1}`);
  } else {
    parts.push("stroke:none");
  }
  return parts.join(";");
}

const escape = (s) =>
  s.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");

// Pattern art, which the JSON map holds as a person sees it (y upwards), drawn in a symbol's space
// (y downwards): every y is mirrored. Children are written back to front.
function patternArt(name, art, indent) {
  const pad = " ".repeat(indent);
  const flip = ([x, y]) => [x, -y];
  if (art.type === "group" || art.type === "compound") {
    const inner = [...(art.children ?? [])].reverse().map((c) => patternArt(name, c, indent + 2));
    if (art.type === "compound") {
      // A compound path is one path of several subpaths.
      const d = inner.map((s) => s.match(/ d="([^"]*)"/)[1]).join("");
      const first = (art.children ?? [])[0];
      return `${pad}<path d="${d}" style="${styleOf(name, first?.style, first?.paint)}" />`;
    }
    return `${pad}<g>\n${inner.join("\n")}\n${pad}</g>`;
  }
  if (art.type !== "path") throw new Error(`a pattern holds art of type ${art.type}`);
  const segs = art.segments ?? [];
  let d = "";
  segs.forEach((s, i) => {
    const p = flip(s.p);
    if (i === 0) {
      d += "M" + exact(p);
      return;
    }
    const prev = segs[i - 1];
    d += curveTo(prev, s);
  });
  if (art.closed && segs.length > 1) {
    const last = segs[segs.length - 1];
    const first = segs[0];
    const straight = same(last.out ?? last.p, last.p) && same(first.in ?? first.p, first.p);
    if (!straight) d += curveTo(last, first);
    d += "Z";
  }
  return `${pad}<path d="${d}" style="${styleOf(name, art.style, art.paint)}" />`;

  function same(a, b) {
    return a[0] === b[0] && a[1] === b[1];
  }
  function curveTo(from, to) {
    const out = from.out ?? from.p;
    const inn = to.in ?? to.p;
    if (same(out, from.p) && same(inn, to.p)) return "L" + exact(flip(to.p));
    return "C" + [out, inn, to.p].map((q) => exact(flip(q))).join(" ");
  }
}

// A label's box for placing it: full-width characters are an em wide, others half.
function textWidth(text, size) {
  let em = 0;
  for (const ch of text) em += ch.codePointAt(0) < 0x80 ? 0.5 : 1;
  return em * size;
}
// tail: the depth of a second line under the first.
const boxAt = (x, y, text, size, tail = 0) => ({
  x0: x,
  y0: y - size * 0.9,
  x1: x + textWidth(text, size),
  y1: y + size * 0.15 + tail,
});
const overlaps = (a, b) => a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
const onPage = (b) => b.x0 >= 4 && b.y0 >= 4 && b.x1 <= WIDTH - 4 && b.y1 <= HEIGHT - 4;

// Each label goes where it covers no other label, square or the title: right of its square when
// it can, as on the JSON map (the baseline 3 below the point), else left, above or below, a little
// further out if need be. The crowded points choose first, and every label chooses again, the
// others standing, until none moves.
const overlap = (a, b) =>
  Math.max(0, Math.min(a.x1, b.x1) - Math.max(a.x0, b.x0)) *
  Math.max(0, Math.min(a.y1, b.y1) - Math.max(a.y0, b.y0));

function candidates({ px, py, text, size, tail = 0 }) {
  const w = textWidth(text, size);
  const tries = [];
  for (const d of [0, 2, 4, 6, 9, 12]) {
    tries.push(
      [px + 4 + d, py + 3],
      [px - 4 - w - d, py + 3],
      [px + 2, py - 4 - d - tail],
      [px + 2, py + 3 + size + d],
      [px - w - 2, py - 4 - d - tail],
      [px - w - 2, py + 3 + size + d],
      [px - w / 2, py - 4 - d - tail],
      [px - w / 2, py + 3 + size + d],
    );
  }
  return tries.filter(([x, y]) => onPage(boxAt(x, y, text, size, tail)));
}

function placeLabels(labels, fixed) {
  const tries = labels.map(candidates);
  const box = (l, [x, y]) => boxAt(x, y, l.text, l.size, l.tail);
  const boxes = labels.map((l, i) => box(l, tries[i][0]));
  const chosen = labels.map(() => 0);
  const near = (a, b) => Math.hypot(a.px - b.px, a.py - b.py) < 40;
  const order = labels
    .map((l, i) => [labels.filter((m) => near(l, m)).length, i])
    .sort((a, b) => b[0] - a[0] || a[1] - b[1])
    .map(([, i]) => i);
  const cost = (i, box) =>
    fixed.reduce((sum, t) => sum + overlap(box, t), 0) +
    boxes.reduce((sum, t, j) => (j === i || !placed[j] ? sum : sum + overlap(box, t)), 0);
  const placed = labels.map(() => false);
  for (let round = 0; round < 20; round++) {
    let moved = false;
    for (const i of order) {
      let best = 0;
      let bestCost = Infinity;
      tries[i].forEach((spot, k) => {
        const c = cost(i, box(labels[i], spot)) * 1000 + k;
        if (c < bestCost) [best, bestCost] = [k, c];
      });
      if (!placed[i] || best !== chosen[i]) moved = true;
      chosen[i] = best;
      boxes[i] = box(labels[i], tries[i][best]);
      placed[i] = true;
    }
    if (!moved) break;
  }
  labels.forEach((l, i) => {
    if (cost(i, boxes[i]) > 0) console.warn(`make-map: the label ${l.text} at ${l.name} overlaps`);
  });
  fixed.push(...boxes);
  return chosen.map((k, i) => tries[i][k]);
}

const FONT = "font-family:'IPAGothic';fill:#000000";
function textElement(indent, x, y, text, size, { hidden = false, locked = false } = {}) {
  const pad = " ".repeat(indent);
  const display = hidden ? ";display:none" : "";
  const extra = locked ? ' sodipodi:insensitive="true"' : "";
  return (
    `${pad}<text xml:space="preserve" style="font-size:${size}px;line-height:1.25;${FONT}${display}" ` +
    `x="${round(x)}" y="${round(y)}"${extra}>` +
    `<tspan sodipodi:role="line" x="${round(x)}" y="${round(y)}">${escape(text)}</tspan></text>`
  );
}

const json = JSON.parse(readFileSync(join(examples, "snail-map.json"), "utf8"));
const patterns = json.patterns ?? [];
if (patterns.length === 0) throw new Error("examples/snail-map.json has no patterns");
const ASCII_IDS = { 丸: "maru", 黒丸: "kuromaru", 白丸: "shiromaru", 三角: "sankaku", 四角: "shikaku", 十字: "juuji", 菱形: "hishigata" };

// The squares and the title come first, so that no label covers them.
const points = POINTS.map(([lon, lat, name, text, flags = {}]) => {
  const [px, py] = onMap([lon, lat]);
  return { px, py, name, text, size: LABEL_SIZE, ...flags };
});
const taken = points.map(({ px, py }) => ({ x0: px - 2.5, y0: py - 2.5, x1: px + 2.5, y1: py + 2.5 }));
let titleY = 30;
const titleLines = TITLE.map(([text, size]) => {
  titleY += size * 1.4;
  taken.push(boxAt(24, titleY, text, size));
  return [24, titleY, text, size];
});
const [nx, ny] = onMap(NOTE.at);
const noteLabel = { px: nx, py: ny, name: "八王子", text: NOTE.lines[0][0], size: NOTE.lines[0][1] };
noteLabel.tail = NOTE.lines[1][1] + 4;
const spots = placeLabels([...points, noteLabel], taken);
const labelSpots = spots.slice(0, points.length);
const [noteX, noteY] = spots[points.length];

const squares = points.map(({ px, py, name }) => {
  const [x0, y0, x1, y1] = [px - 1.5, py - 1.5, px + 1.5, py + 1.5].map(round);
  const d = `M${x0},${y0}L${x1},${y0}L${x1},${y1}L${x0},${y1}Z`;
  return `    <path d="${d}" style="fill:#000000;stroke:none" kzn:kznPointName="${escape(name)}" />`;
});
const labels = points.map(({ text, size, hidden, locked }, i) => {
  const [x, y] = labelSpots[i];
  return textElement(4, x, y, text, size, { hidden, locked });
});
const note = [
  "    <g>",
  textElement(6, noteX, noteY + NOTE.lines[1][1] + 4, ...NOTE.lines[1]),
  textElement(6, noteX, noteY, ...NOTE.lines[0]),
  "    </g>",
];

const symbols = patterns.map(({ name, art }) => {
  const id = ASCII_IDS[name] ?? `pattern${patterns.findIndex((p) => p.name === name)}`;
  return [
    `    <symbol id="${id}">`,
    `      <title>${escape(name)}</title>`,
    patternArt(name, art, 6),
    "    </symbol>",
  ].join("\n");
});

const layer = (id, title, lines, extra = "") =>
  [
    `  <g inkscape:groupmode="layer" id="${id}" inkscape:label="${escape(title)}"${extra}>`,
    ...lines,
    "  </g>",
  ].join("\n");

const svg = `<?xml version="1.0" encoding="UTF-8" standalone="no"?>
<!-- The sample map: the word for "snail" at survey points across Japan (made-up forms at real
     places). Made by scripts/make-sample-map/make-map.mjs; Japan's outline from Natural Earth
     (public domain), 1:10m. -->
<svg
   xmlns="http://www.w3.org/2000/svg"
   xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape"
   xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd"
   xmlns:kzn="urn:x-kzn:tags"
   width="${WIDTH}"
   height="${HEIGHT}"
   viewBox="0 0 ${WIDTH} ${HEIGHT}"
   version="1.1"
   id="snail-map">
  <sodipodi:namedview
     id="namedview"
     pagecolor="#ffffff"
     bordercolor="#666666"
     borderopacity="1.0"
     inkscape:document-units="px"
     inkscape:current-layer="layer-points" />
  <defs id="defs">
${symbols.join("\n")}
  </defs>
${layer(
  "layer-land",
  "基図",
  [
    `    <path d="${insetFrame()}" style="fill:none;stroke:#666666;stroke-width:0.5" />`,
    `    <path d="${landPath()}" style="fill:#ebebeb;stroke:#666666;stroke-width:0.5" />`,
  ],
  ' sodipodi:insensitive="true"',
)}
${layer("layer-squares", "地点記号", squares.reverse())}
${layer("layer-points", "調査地点", [...note, ...labels.reverse()])}
${layer("layer-title", "凡例", titleLines.reverse().map(([x, y, text, size]) => textElement(4, x, y, text, size)))}
</svg>
`;

writeFileSync(outFile, svg);
console.log(`make-map: wrote ${outFile} (${Buffer.byteLength(svg)} bytes, ${points.length} points)`);
