// Plays a movie in Ruffle inside headless Chromium and lets a test look at it as a person would:
// pixels and screenshots at chosen times, clicks, and whatever the player logged.
//
//   await withMovie('out/demo.swf', { width: 550, height: 400 }, async (m) => {
//       await m.at(500);                       // 500 ms after the movie started playing
//       assert.deepEqual(m.rgb(await m.pixel(10, 10)), [255, 0, 0]);
//       await m.screenshot('out/frame.png');
//       assert.deepEqual(m.errors(), []);
//   });
//
// One browser serves every movie of a test file; call closeRuffle() in the file's after() hook.
import { createServer } from 'node:http';
import { readFileSync, statSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { decodePng } from './png.mjs';

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const RUFFLE_DIR = path.join(ROOT, 'node_modules/@ruffle-rs/ruffle');
const CHROMIUM = process.env.PICTAVO_CHROMIUM ?? '/usr/bin/chromium';
const CHROMIUM_ARGS = [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--autoplay-policy=no-user-gesture-required', '--enable-unsafe-swiftshader',
];
const TYPES = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
    '.wasm': 'application/wasm', '.swf': 'application/x-shockwave-flash', '.json': 'application/json',
    '.map': 'application/json', '.png': 'image/png', '.jpg': 'image/jpeg', '.mp3': 'audio/mpeg',
    '.xml': 'text/xml', '.txt': 'text/plain',
};

// Messages of the browser's software GL, not of the movie or the player.
const BROWSER_NOISE = [/^\[\.WebGL-[0-9a-fx]+\]GL Driver Message/, /GPU stall due to ReadPixels/];

const PAGE = `<!doctype html>
<html><head><meta charset="utf-8"><style>
  html, body { margin: 0; padding: 0; overflow: hidden; background: #808080; }
  #player { position: absolute; left: 0; top: 0; display: block; }
</style>
<script>window.RufflePlayer = { config: { publicPath: '/ruffle/', polyfills: false } };</script>
<script src="/ruffle/ruffle.js"></script>
</head><body></body></html>`;

/** A static server on 127.0.0.1: /ruffle/ is the player, /movie/N/ the folder of the N-th movie. */
class MovieServer {
    folders = [];

    async start() {
        this.server = createServer((req, res) => this.serve(req, res));
        await new Promise((resolve, reject) => {
            this.server.once('error', reject);
            this.server.listen(0, '127.0.0.1', resolve);
        });
        this.origin = `http://127.0.0.1:${this.server.address().port}`;
    }

    /** URL under which the file `file` is served. */
    publish(file) {
        this.folders.push(path.dirname(path.resolve(file)));
        return `${this.origin}/movie/${this.folders.length - 1}/${encodeURIComponent(path.basename(file))}`;
    }

    resolve(urlPath) {
        if (urlPath === '/player.html') return { body: PAGE, type: TYPES['.html'] };
        if (urlPath === '/favicon.ico') return { body: '', type: 'image/x-icon' };
        let m = /^\/ruffle\/(.+)$/.exec(urlPath);
        let base, rest;
        if (m) [base, rest] = [RUFFLE_DIR, m[1]];
        else if ((m = /^\/movie\/(\d+)\/(.+)$/.exec(urlPath)) && this.folders[m[1]]) [base, rest] = [this.folders[m[1]], m[2]];
        else return null;
        const file = path.resolve(base, decodeURIComponent(rest));
        if (!file.startsWith(base + path.sep)) return null;
        try {
            if (!statSync(file).isFile()) return null;
        } catch {
            return null;
        }
        return { body: readFileSync(file), type: TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream' };
    }

    serve(req, res) {
        const found = this.resolve(new URL(req.url, this.origin).pathname);
        if (!found) {
            res.writeHead(404, { 'content-type': 'text/plain' }).end('not found');
            return;
        }
        res.writeHead(200, { 'content-type': found.type, 'cache-control': 'no-store' }).end(found.body);
    }

    close() {
        this.server.closeAllConnections?.();
        return new Promise((resolve) => this.server.close(resolve));
    }
}

let session = null;

// The browser and the server live as long as the test file; the page too, so that Ruffle's WebAssembly is
// compiled once. Every movie gets a new player element in it, and a page that saw a failure is replaced.
async function openSession() {
    const server = new MovieServer();
    await server.start();
    try {
        // Playwright gives a non-persistent browser a fresh profile folder of its own.
        const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_ARGS, timeout: 60_000 });
        return { server, browser, page: null, movie: null };
    } catch (e) {
        await server.close();
        throw e;
    }
}

function ruffleSession() {
    session ??= openSession().catch((e) => {
        session = null;
        throw e;
    });
    return session;
}

async function playerPage(s) {
    if (s.page) return s.page;
    const context = await s.browser.newContext({ deviceScaleFactor: 1 });
    const page = await context.newPage();
    const log = (entry) => s.movie?.logs.push(entry);
    page.on('console', (msg) => log({ source: 'console', type: msg.type(), text: msg.text() }));
    page.on('pageerror', (err) => log({ source: 'pageerror', type: 'error', text: String(err) }));
    page.on('response', (res) => {
        if (res.status() >= 400) log({ source: 'network', type: 'error', text: `${res.status()} ${res.url()}` });
    });
    page.on('requestfailed', (req) => log({ source: 'network', type: 'error', text: `${req.failure()?.errorText} ${req.url()}` }));
    await page.exposeFunction('pictavoTrace', (text) => log({ source: 'trace', type: 'log', text }));
    await page.goto(`${s.server.origin}/player.html`);
    s.page = page;
    return page;
}

async function dropPage(s) {
    const page = s.page;
    s.page = null;
    await page?.context().close().catch(() => {});
}

/** Closes the shared browser and server; the next withMovie opens new ones. */
export async function closeRuffle() {
    if (!session) return;
    const s = await session.catch(() => null);
    session = null;
    if (!s) return;
    await s.browser.close().catch(() => {});
    await s.server.close();
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

/** What a test sees of a movie playing in Ruffle. Coordinates are movie pixels from the top-left corner. */
class PlayingMovie {
    constructor(page, width, height) {
        this.page = page;
        this.width = width;
        this.height = height;
        /** Every console message, page error and trace() line: {source, type, text}. */
        this.logs = [];
        this.startedAt = 0;
    }

    /** Messages that report a problem: console errors and warnings, page errors, failed requests. */
    errors() {
        return this.logs.filter(
            (l) => (l.source !== 'trace' && (l.type === 'error' || l.type === 'warning')) &&
                !BROWSER_NOISE.some((re) => re.test(l.text)),
        );
    }

    /** Lines the movie printed with trace(). */
    traces() {
        return this.logs.filter((l) => l.source === 'trace').map((l) => l.text);
    }

    waitMs(ms) {
        return sleep(ms);
    }

    /** Waits until `ms` milliseconds have passed since the movie started playing. */
    at(ms) {
        return sleep(Math.max(0, this.startedAt + ms - Date.now()));
    }

    /** PNG bytes of the player area; written to `file` as well when given. */
    async screenshot(file) {
        const png = await this.page.screenshot({ clip: { x: 0, y: 0, width: this.width, height: this.height } });
        if (file) writeFileSync(file, png);
        return png;
    }

    /** The player area as decoded pixels, with at(x, y) giving {r, g, b, a, hex}. */
    async image() {
        const img = decodePng(await this.screenshot());
        img.at = (x, y) => {
            if (x < 0 || y < 0 || x >= img.width || y >= img.height) throw new RangeError(`pixel ${x},${y} is off the movie`);
            const i = (Math.floor(y) * img.width + Math.floor(x)) * 4;
            const [r, g, b, a] = img.rgba.subarray(i, i + 4);
            return { r, g, b, a, hex: '#' + [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('') };
        };
        return img;
    }

    async pixel(x, y) {
        return (await this.image()).at(x, y);
    }

    /** Colours of several points from one screenshot: points are [x, y] pairs. */
    async pixels(points) {
        const img = await this.image();
        return points.map(([x, y]) => img.at(x, y));
    }

    rgb(p) {
        return [p.r, p.g, p.b];
    }

    async click(x, y) {
        await this.page.mouse.click(x, y);
    }

    async move(x, y) {
        await this.page.mouse.move(x, y);
    }
}

/**
 * Loads `file` into a Ruffle player of exactly `width` x `height` CSS pixels (device scale 1), waits until it
 * plays and hands a PlayingMovie to `fn`. `options.config` adds Ruffle configuration options.
 */
export async function withMovie(file, { width, height, config = {}, timeoutMs = 30_000 } = {}, fn) {
    if (!width || !height) throw new Error('withMovie needs the movie width and height in pixels');
    const s = await ruffleSession();
    const page = await playerPage(s);
    page.setDefaultTimeout(timeoutMs);
    await page.setViewportSize({ width, height });
    const movie = new PlayingMovie(page, width, height);
    s.movie = movie;
    let failed = true;
    try {
        await page.evaluate(
            async ({ url, width, height, config }) => {
                window.pictavoPlayer?.element?.remove();
                document.getElementById('player')?.remove();
                window.pictavoPlayer = null;
                const player = window.RufflePlayer.newest().createPlayer();
                player.id = 'player';
                player.style.width = `${width}px`;
                player.style.height = `${height}px`;
                document.body.appendChild(player);
                const api = player.ruffle ? player.ruffle() : player;
                await api.load({
                    url,
                    autoplay: 'on',
                    unmuteOverlay: 'hidden',
                    letterbox: 'off',
                    splashScreen: false,
                    contextMenu: 'off',
                    warnOnUnsupportedContent: false,
                    logLevel: 'warn',
                    ...config,
                });
                api.traceObserver = (text) => window.pictavoTrace(String(text));
                window.pictavoPlayer = api;
            },
            { url: s.server.publish(file), width, height, config },
        );
        await page.waitForFunction(() => {
            const p = window.pictavoPlayer;
            return p && p.metadata && p.isPlaying;
        });
        // Let the first frame reach the screen before anyone looks.
        await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
        movie.startedAt = Date.now();
        const result = await fn(movie);
        failed = false;
        return result;
    } finally {
        s.movie = null;
        if (failed) await dropPage(s);
        else {
            await page.evaluate(() => {
                document.getElementById('player')?.remove();
                window.pictavoPlayer = null;
            }).catch(() => dropPage(s));
        }
    }
}
