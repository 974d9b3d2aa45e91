'use strict';
// Starts a feed in-process on free loopback ports with a clock the test controls, and offers
// small HTTP helpers. Every started feed is stopped by the returned stop().

const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const crypto = require('crypto');
const { loadDefaults, buildOptions } = require('../../lib/config');
const { Feed } = require('../../lib/feed');

// Wednesday 2024-05-15 13:30:10.600 UTC: mid-week, mid-session.
const WEDNESDAY = Date.UTC(2024, 4, 15, 13, 30, 10, 600);

function collectingLog() {
    const lines = [];
    return { lines, info: (t) => lines.push(`info ${t}`), warn: (t) => lines.push(`warn ${t}`),
        error: (t) => lines.push(`error ${t}`) };
}

// overrides: option values; clock: {ms} object whose ms the test moves.
async function startFeed(overrides = {}, clock = { ms: WEDNESDAY }) {
    const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'zento-feed-test-'));
    const options = buildOptions(loadDefaults(), {
        httpPort: 0, newsPort: 0, dataDir, quiet: true,
        // Timers are stepped by the tests unless a test asks for a pace.
        quoteIntervalMs: 1e9, newsIntervalMs: 1e9, ...overrides,
    });
    const log = collectingLog();
    const feed = new Feed(options, { now: () => clock.ms, log });
    await feed.start();
    return {
        feed, clock, log, dataDir, options,
        http: `http://127.0.0.1:${feed.ports.http}`,
        news: `http://127.0.0.1:${feed.ports.news}`,
        async stop() {
            await feed.stop();
            fs.rmSync(dataDir, { recursive: true, force: true });
        },
    };
}

async function request(method, url, body, headers = {}) {
    const response = await fetch(url, { method, body, headers });
    return { status: response.status, headers: response.headers, body: Buffer.from(await response.arrayBuffer()) };
}

async function postJson(url, value) {
    const response = await request('POST', url, typeof value === 'string' ? value : JSON.stringify(value),
        { 'Content-Type': 'application/json; charset=utf-8' });
    return { ...response, json: JSON.parse(response.body.toString('utf8')) };
}

// The list request as the terminal signs it.
function signedListRequest(sym, ttype, etime, time, salt, cutCount = 100) {
    const key = crypto.createHash('md5').update(`${sym}${ttype}${etime}${cutCount}${time}${salt}`).digest('hex');
    return { time, ttype, etime, key, cutCount, sym };
}

// Rows of a gzip CSV body as [time, open, high, low, close, volume] texts.
function csvRows(gzipBody) {
    return zlib.gunzipSync(gzipBody).toString('utf8').split('\n').filter((l) => l !== '').map((l) => l.split(','));
}

// Resolves with the arguments of the first `event` that passes `accept`, or rejects after ms.
function nextEvent(socket, event, accept = () => true, ms = 3000) {
    return new Promise((resolve, reject) => {
        const timer = setTimeout(() => {
            socket.off(event, handler);
            reject(new Error(`no ${event} within ${ms} ms`));
        }, ms);
        function handler(...args) {
            if (!accept(...args)) return;
            clearTimeout(timer);
            socket.off(event, handler);
            resolve(args);
        }
        socket.on(event, handler);
    });
}

// For peers on the network only: checks `condition` every 10 ms until it holds or ms pass.
async function waitFor(condition, ms = 3000) {
    for (let waited = 0; !condition(); waited += 10) {
        if (waited >= ms) throw new Error(`condition not met within ${ms} ms`);
        await new Promise((resolve) => setTimeout(resolve, 10));
    }
}

module.exports = { WEDNESDAY, startFeed, request, postJson, signedListRequest, csvRows, nextEvent, waitFor, collectingLog };
