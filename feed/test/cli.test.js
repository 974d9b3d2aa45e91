'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { request, csvRows } = require('./helpers/harness');
const io = require('socket.io-client');
const { parseArgs, loadDefaults } = require('../lib/config');
const { startClock } = require('../lib/feed');

const SERVER = path.join(__dirname, '..', 'server.js');
const LISTENING = /^feed: listening http=(127\.0\.0\.1):(\d+) news=(127\.0\.0\.1):(\d+)$/m;

function run(args) {
    const child = spawn(process.execPath, [SERVER, ...args], { stdio: ['ignore', 'pipe', 'pipe'] });
    const out = { stdout: '', stderr: '' };
    child.stdout.on('data', (d) => { out.stdout += d; });
    child.stderr.on('data', (d) => { out.stderr += d; });
    const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
    return { child, out, exited };
}

function within(promise, ms, what) {
    let timer;
    return Promise.race([promise, new Promise((_, reject) => {
        timer = setTimeout(() => reject(new Error(`${what} took over ${ms} ms`)), ms);
    })]).finally(() => clearTimeout(timer));
}

// Resolves with [host, http port, news port] once the listening line is out.
function listening({ child, out }) {
    return within(new Promise((resolve, reject) => {
        const check = () => {
            const match = LISTENING.exec(out.stdout);
            if (match) resolve([match[1], match[2], match[4]]);
        };
        child.stdout.on('data', check);
        child.on('exit', () => reject(new Error(`exited early: ${out.stderr}`)));
        check();
    }), 10000, 'start');
}

test('server.js prints where it listens, serves, and stops cleanly on SIGTERM', async () => {
    const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'zento-feed-cli-'));
    const { child, out, exited } = run(['--port', '0', '--news-port', '0', '--data', dataDir, '--seed', '9', '--quiet']);
    try {
        const [host, httpPort, newsPort] = await listening({ child, out });
        const list = await request('GET', `http://${host}:${httpPort}/js/news.js`);
        assert.match(list.body.toString(), new RegExp(`"http://127\\.0\\.0\\.1:${newsPort}"`));
        assert.ok(fs.existsSync(path.join(dataDir, 'uploads')));
        // A port already taken: a clear message and exit code 1, not a crash trace.
        const second = run(['--port', httpPort, '--news-port', '0', '--data', dataDir]);
        assert.equal((await within(second.exited, 10000, 'refusal')).code, 1);
        assert.match(second.out.stderr, new RegExp(`cannot listen on 127\\.0\\.0\\.1:${httpPort}`));
        child.kill('SIGTERM');
        assert.deepEqual(await within(exited, 10000, 'stop'), { code: 0, signal: null });
        assert.match(out.stdout, /feed: stopped\n$/);
    } finally {
        if (child.exitCode === null) child.kill('SIGKILL');
        fs.rmSync(dataDir, { recursive: true, force: true });
    }
});

test('server.js refuses bad options with usage and exit code 2', async () => {
    for (const args of [['--port', 'abc'], ['--port', '70000'], ['--frobnicate'], ['--seed'], ['--start-time'],
        ['--start-time', 'yesterday'], ['--start-time', '2024-02-30T10:00:00Z'], ['--start-time', '2024-05-15T24:00Z'],
        ['--start-time', '2000-12-31T23:59:59Z'], ['--start-time', '-5'], ['--burst', '-1'], ['--burst', '100001'],
        ['--burst', '2k'], ['--news-interval', '5'], ['--news-interval', 'fast'], ['--news-interval']]) {
        const { out, exited } = run(args);
        const { code } = await within(exited, 10000, 'exit');
        assert.equal(code, 2, args.join(' '));
        assert.match(out.stderr, /usage: node feed\/server\.js/);
    }
});

test('--start-time takes a UTC time or seconds since 1970, and the clock runs on from it', () => {
    const start = Date.UTC(2024, 4, 15, 13, 30, 0);
    assert.equal(parseArgs(['--start-time', '2024-05-15T13:30:00Z']).options.startTimeMs, start);
    assert.equal(parseArgs(['--start-time', '2024-05-15T13:30']).options.startTimeMs, start);
    assert.equal(parseArgs(['--start-time', '2024-05-15T13:30:00.250Z']).options.startTimeMs, start + 250);
    assert.equal(parseArgs(['--start-time', String(start / 1000)]).options.startTimeMs, start);
    assert.equal(parseArgs([]).options.startTimeMs, null);

    let elapsed = 5000.25;
    const now = startClock(start, () => elapsed);
    assert.equal(now(), start);
    elapsed += 1500.9;
    assert.equal(now(), start + 1500);
    assert.equal(startClock(null), Date.now);
});

test('two runs with the same --start-time and seed serve the same bars', async () => {
    const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'zento-feed-cli-'));
    const start = Date.UTC(2024, 4, 15, 13, 30, 0);
    const runs = [0, 1].map(() => run(['--port', '0', '--news-port', '0', '--data', dataDir, '--seed', '9', '--quiet',
        '--start-time', '2024-05-15T13:30:00Z']));
    try {
        const weeks = [];
        for (const feed of runs) {
            const [host, httpPort] = await listening(feed);
            weeks.push(csvRows((await request('GET', `http://${host}:${httpPort}/aweek/EURUSD/15`)).body));
        }
        // The bar in progress is cut at each run's own moment; every finished one is the same.
        const [first, second] = weeks.map((rows) => rows.slice(0, -1));
        assert.ok(first.length >= 300, `${first.length} bars`);
        assert.deepEqual(second, first);
        const lastStart = Number(weeks[0][weeks[0].length - 1][0]) * 1000;
        assert.equal(lastStart, start, 'the bar in progress opened at the start time');
    } finally {
        for (const { child } of runs) if (child.exitCode === null) child.kill('SIGKILL');
        fs.rmSync(dataDir, { recursive: true, force: true });
    }
});

test('--news-interval sets the pace of the live news records', async () => {
    assert.equal(parseArgs(['--news-interval', '40']).options.newsIntervalMs, 40);
    assert.equal(parseArgs([]).options.newsIntervalMs, loadDefaults().newsIntervalMs);

    const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'zento-feed-cli-'));
    const feed = run(['--port', '0', '--news-port', '0', '--data', dataDir, '--quiet', '--news-interval', '20']);
    let socket;
    let poll;
    try {
        const [host, , newsPort] = await listening(feed);
        socket = io(`http://${host}:${newsPort}`, { transports: ['websocket'], forceNew: true, reconnection: false });
        const received = [];
        socket.on('user message', (record) => received.push(record));
        // The default pace would bring one record in this time at most.
        await within(new Promise((resolve) => {
            poll = setInterval(() => { if (received.length >= 5) resolve(); }, 10);
        }), 30000, 'five news records');
        for (const record of received) assert.match(record, /^[0-5]#/);
    } finally {
        clearInterval(poll);
        if (socket) socket.disconnect();
        if (feed.child.exitCode === null) feed.child.kill('SIGKILL');
        fs.rmSync(dataDir, { recursive: true, force: true });
    }
});
