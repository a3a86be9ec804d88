// The browser panel: the front panel of one processor of the chain, its lamps pushed over the
// event WebSocket, today's plans and the journal's last records. Everything goes through the
// service's own API with the token the user gave, kept for this tab only.
"use strict";

const SOURCE_GROUPS = [
  ["A", ["V1", "V2", "V3", "S-VIDEO"]],
  ["B", ["DVI", "HDMI"]],
  ["C", ["VGA1", "VGA2"]],
  ["D", ["EXT."]],
  ["", ["YPbPr"]],
];
const FUNCTIONS = ["PIP/POP", "TEXT", "BYPASS", "FREEZE", "MOSAIC", "VGA-AUTO"];
const PIP_MODES = ["M1", "M2", "M3", "M4"];
const TRANSITIONS = ["Cut", "Fade=0.5S", "Fade=1.0S", "Fade=1.5S"];
const PLAN_KINDS = { day: "Day", week: "Week", month: "Month", once: "Once" };
const JOURNAL_ROWS = 10;
const REFRESH_MS = 2000; // the selected unit's age and staleness, which no event tells

const $ = (id) => document.getElementById(id);
const session = window.sessionStorage;

const panel = {
  texts: {},
  language: "en",
  token: session.getItem("tvq418.token") || "",
  role: null,
  units: new Map(), // address -> unit as GET /api/v1/units/{address} gives it
  address: Number(session.getItem("tvq418.address")) || null,
  link: "connecting",
  live: false, // the event socket is open
  seq: null, // last event seen, to resume after a reconnect
  plans: [],
  armed: true,
  journal: [],
  keys: new Map(), // button name -> {button, lamp}
  pressing: false,
};

function t(text, ...args) {
  let out = (panel.language === "zh" && panel.texts[text]) || text;
  args.forEach((arg, i) => (out = out.replace("%" + (i + 1), arg)));
  return out;
}

function clock(date) {
  return date.toLocaleTimeString("en-GB", { hour12: false });
}

// --- building -------------------------------------------------------------------------------

function key(name, container, withLamp = true) {
  const button = document.createElement("button");
  button.type = "button";
  button.className = "key";
  button.dataset.key = name;
  button.setAttribute("aria-pressed", "false");
  // The lamp is drawn, and read out as the button's description: "HDMI light: lit".
  const lamp = document.createElement("span");
  lamp.className = "lamp off";
  lamp.id = "lamp-" + name.replace(/[^A-Za-z0-9]/g, "_");
  lamp.setAttribute("aria-hidden", "true");
  if (withLamp) {
    button.append(lamp);
    button.setAttribute("aria-describedby", lamp.id);
  }
  const label = document.createElement("span");
  label.className = "label";
  button.append(label);
  button.addEventListener("click", () => press(name));
  container.append(button);
  panel.keys.set(name, { button, lamp: withLamp ? lamp : null, label });
}

function build() {
  for (const [letter, names] of SOURCE_GROUPS) {
    const group = document.createElement(letter ? "fieldset" : "div");
    group.className = "sub";
    if (letter) {
      const legend = document.createElement("legend");
      legend.textContent = letter;
      group.append(legend);
    }
    names.forEach((name) => key(name, group));
    $("sources").append(group);
  }
  FUNCTIONS.forEach((name) => key(name, $("functions")));
  PIP_MODES.forEach((name) => key(name, $("pip-modes")));
  TRANSITIONS.forEach((name) => key(name, $("transitions"), false));

  for (const radio of document.querySelectorAll("input[name=language]"))
    radio.addEventListener("change", () => {
      panel.language = radio.value;
      session.setItem("tvq418.language", radio.value);
      render();
    });
  $("unit").addEventListener("change", () => {
    panel.address = Number($("unit").value);
    session.setItem("tvq418.address", panel.address);
    setInfo("");
    render();
    refreshUnit();
  });
  $("token-form").addEventListener("submit", (event) => {
    event.preventDefault();
    panel.token = $("token").value.trim();
    session.setItem("tvq418.token", panel.token);
    $("token").value = "";
    start();
  });
  $("forget").addEventListener("click", () => {
    session.removeItem("tvq418.token");
    location.reload();
  });
}

// --- the API --------------------------------------------------------------------------------

class Unauthorized extends Error {}

async function api(method, path, body) {
  const headers = {};
  if (panel.token) headers.Authorization = "Bearer " + panel.token;
  if (body !== undefined) headers["Content-Type"] = "application/json";
  const response = await fetch(path, {
    method,
    headers,
    cache: "no-store",
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  if (response.status === 401) {
    askToken(panel.token ? "The token was refused" : "Give an access token");
    throw new Unauthorized();
  }
  const data = await response.json().catch(() => ({}));
  return { ok: response.ok, status: response.status, data };
}

function askToken(why) {
  panel.role = null;
  $("token-form").hidden = false;
  $("token-why").dataset.text = why;
  render();
  $("token").focus();
}

async function start() {
  let about;
  try {
    about = await api("GET", "/api/v1");
  } catch (error) {
    if (!(error instanceof Unauthorized)) {
      setInfo("The service does not answer");
      setTimeout(start, REFRESH_MS);
    }
    return;
  }
  $("token-form").hidden = true;
  $("forget").hidden = !panel.token;
  panel.role = about.data.role || "operator";
  panel.link = about.data.link ? about.data.link.state : panel.link;
  panel.armed = !about.data.plans || about.data.plans.armed;
  $("chain").textContent = about.data.chain || "";
  document.title = "TVQ418 " + (about.data.chain || "");
  await loadUnits();
  loadPlans();
  loadJournal();
  if (!panel.eventsStarted) {
    panel.eventsStarted = true;
    openEvents();
  }
  if (!panel.refresher) panel.refresher = setInterval(refreshUnit, REFRESH_MS);
}

async function loadUnits() {
  const answer = await api("GET", "/api/v1/units");
  if (!answer.ok) return;
  panel.units = new Map(answer.data.units.map((unit) => [unit.address, unit]));
  if (!panel.units.has(panel.address)) panel.address = answer.data.units.length ? answer.data.units[0].address : null;
  render();
}

async function refreshUnit() {
  if (panel.address === null || panel.role === null) return;
  const asked = Date.now();
  try {
    const answer = await api("GET", "/api/v1/units/" + panel.address);
    if (answer.ok) {
      const known = panel.units.get(answer.data.address);
      // A state event that came while this was on its way is newer than the answer.
      if (known && known.eventAt > asked) answer.data.state = known.state;
      answer.data.seenAt = Date.now();
      panel.units.set(answer.data.address, answer.data);
      panel.link = answer.data.link;
    }
  } catch (error) {
    if (!(error instanceof Unauthorized)) panel.link = "down";
  }
  render();
}

async function press(name) {
  if (panel.pressing || panel.address === null) return;
  panel.pressing = true;
  try {
    const answer = await api("POST", `/api/v1/units/${panel.address}/press`, { button: name });
    setInfo(answer.ok ? "" : answer.data.message || String(answer.status));
    if (answer.ok && !panel.live) refreshUnit();
  } catch (error) {
    if (!(error instanceof Unauthorized)) setInfo("The service does not answer");
  } finally {
    panel.pressing = false;
  }
}

async function loadPlans() {
  const answer = await api("GET", "/api/v1/plans").catch(() => null);
  if (!answer || !answer.ok) return;
  const now = new Date();
  const today = (plan) => {
    if (plan.kind === "week") return Number(plan.weekday) === now.getDay();
    if (plan.kind === "month") return Number(plan.day) === now.getDate();
    if (plan.kind === "once") {
      const [y, m, d] = String(plan.date).split("-").map(Number);
      return y === now.getFullYear() && m === now.getMonth() + 1 && d === now.getDate();
    }
    return true;
  };
  panel.plans = answer.data.plans.filter(today).sort((a, b) => seconds(a.time) - seconds(b.time));
  renderPlans();
}

function seconds(time) {
  const [h, m, s] = String(time).split(":").map(Number);
  return h * 3600 + m * 60 + s;
}

// The last records of the past day, read a page at a time so that a busy day costs no more
// memory here than a quiet one.
async function loadJournal() {
  const from = new Date(Date.now() - 86400000).toISOString();
  let since = null;
  let kept = [];
  for (;;) {
    const query = new URLSearchParams({ from, limit: "500" });
    if (since !== null) query.set("since", since);
    const answer = await api("GET", "/api/v1/journal?" + query).catch(() => null);
    if (!answer || !answer.ok) break;
    kept = kept.concat(answer.data.records).slice(-JOURNAL_ROWS);
    if (answer.data.records.length < 500) break;
    since = answer.data.next;
  }
  panel.journal = kept;
  renderJournal();
}

// --- events ---------------------------------------------------------------------------------

function openEvents(wait = 1000) {
  const url = new URL("/api/v1/events", location.href);
  url.protocol = location.protocol === "https:" ? "wss:" : "ws:";
  if (panel.seq !== null) url.searchParams.set("since", panel.seq);
  let socket;
  try {
    // A browser cannot set Authorization on a WebSocket: the token rides as a subprotocol
    // beside the real one, which the service answers with.
    socket = panel.token ? new WebSocket(url, ["tvq418.v1", "bearer." + panel.token]) : new WebSocket(url);
  } catch (error) {
    return; // a token the header cannot carry: the refresh keeps the lamps going, slower
  }
  socket.addEventListener("open", () => {
    panel.live = true;
    wait = 1000;
    render();
  });
  socket.addEventListener("message", (message) => onEvent(JSON.parse(message.data)));
  socket.addEventListener("close", () => {
    panel.live = false;
    render();
    setTimeout(() => openEvents(Math.min(wait * 2, 30000)), wait);
  });
}

function onEvent(event) {
  if (typeof event.seq === "number") panel.seq = event.seq;
  if (event.class === "snapshot") {
    for (const unit of event.units) panel.units.set(unit.address, { ...unit, seenAt: Date.now() });
    render();
    return;
  }
  if (event.type === "state") {
    const unit = panel.units.get(event.address) || { address: event.address, served: false };
    panel.units.set(event.address, {
      ...unit,
      state: event.state,
      stale: false,
      ageMs: 0,
      seenAt: Date.now(),
      eventAt: Date.now(),
    });
  } else if (event.type === "link") {
    panel.link = event.state;
    for (const unit of panel.units.values()) unit.link = event.state;
  } else if (event.type === "plan") {
    if (typeof event.armed === "boolean") panel.armed = event.armed;
    loadPlans();
  } else if (event.type === "journal" && event.record) {
    panel.journal = panel.journal.concat([event.record]).slice(-JOURNAL_ROWS);
    renderJournal();
  }
  render();
}

// --- showing --------------------------------------------------------------------------------

function setInfo(text) {
  $("info").dataset.text = text;
  $("info").textContent = t(text);
}

function render() {
  document.documentElement.lang = panel.language === "zh" ? "zh-CN" : "en";
  for (const radio of document.querySelectorAll("input[name=language]"))
    radio.checked = radio.value === panel.language;
  for (const element of document.querySelectorAll("[data-text]")) element.textContent = t(element.dataset.text);

  const select = $("unit");
  const addresses = [...panel.units.keys()].sort((a, b) => a - b);
  if (select.options.length !== addresses.length || addresses.some((a, i) => select.options[i].value !== String(a))) {
    select.replaceChildren(...addresses.map((a) => new Option(String(a), String(a))));
  }
  // Each processor with its main source, so the list shows the whole chain at a glance.
  for (const option of select.options) {
    const state = panel.units.get(Number(option.value)).state;
    option.textContent = option.value + (state && state.main ? " · " + state.main : "");
  }
  if (panel.address !== null) select.value = String(panel.address);

  const unit = panel.units.get(panel.address);
  const state = unit && unit.state;
  const link = unit ? unit.link : panel.link;
  const unknown = !state || unit.stale || link !== "up";
  const linkText = { up: "Link up", down: "Link down" }[link] || "Connecting";
  $("link").textContent = t(linkText);
  $("link").className = "chip " + link;
  $("events").textContent = panel.role === null ? "" : t(panel.live ? "Live" : "Updated every 2 s");
  document.body.dataset.events = panel.live ? "open" : "closed";

  const notice = $("unknown");
  notice.hidden = !unit || !unknown;
  if (link !== "up") notice.textContent = t("Link down");
  else if (unit && unit.ageMs != null)
    notice.textContent = t("No answer from the device since %1", clock(new Date(unit.seenAt - unit.ageMs)));
  else notice.textContent = t("No answer from the device since %1", "--");
  $("viewer").hidden = panel.role !== "viewer";

  const pipOn = !!(state && state.functions["PIP/POP"]);
  for (const [name, { button, lamp, label }] of panel.keys) {
    label.textContent = t(name);
    const shown = state ? (TRANSITIONS.includes(name) ? (state.transition === name ? "on" : "off") : state.lamps[name] || "off") : "off";
    button.setAttribute("aria-pressed", String(shown !== "off"));
    button.disabled =
      panel.role === null || panel.role === "viewer" || !unit || link !== "up" || (PIP_MODES.includes(name) && !pipOn);
    if (lamp) {
      lamp.className = "lamp " + shown + (unknown ? " unknown" : "");
      const word = unknown ? "unknown" : { on: "lit", blink: "blinking" }[shown] || "off";
      lamp.textContent = t("%1 light", name) + ": " + t(word);
      button.title = lamp.textContent;
    }
  }
  renderPlans();
  renderJournal();
}

function row(cells) {
  const tr = document.createElement("tr");
  for (const text of cells) {
    const td = document.createElement("td");
    td.textContent = text;
    tr.append(td);
  }
  return tr;
}

function renderPlans() {
  $("plans-state").textContent = panel.armed ? "" : t("Plans stopped");
  const rows = panel.plans.map((plan) => row([plan.time, plan.source, t(PLAN_KINDS[plan.kind] || plan.kind)]));
  if (!rows.length) rows.push(row([t("No plans today"), "", ""]));
  $("plan-rows").replaceChildren(...rows);
}

function describe(record) {
  if (record.type === "on-air")
    return `${record.source} ${t("on air %1 to %2", clock(new Date(record.from)), clock(new Date(record.to)))}`;
  const who = record.by && record.by.plan ? t("plan") : record.by && record.by.client ? record.by.client.user : "";
  return [record.op, record.key || record.source || "", record.result, who].filter(Boolean).join(" ");
}

function renderJournal() {
  const rows = panel.journal
    .slice()
    .reverse()
    .map((record) => row([clock(new Date(record.time)), record.address ?? "", describe(record)]));
  if (!rows.length) rows.push(row([t("No records"), "", ""]));
  $("journal-rows").replaceChildren(...rows);
}

async function init() {
  panel.texts = (await fetch("panel-texts.json").then((r) => r.json()).catch(() => ({}))).zh || {};
  const chosen = session.getItem("tvq418.language");
  panel.language = chosen || (navigator.language.toLowerCase().startsWith("zh") ? "zh" : "en");
  build();
  render();
  start();
}

init();
