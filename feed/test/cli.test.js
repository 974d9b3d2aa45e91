'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { request } = require('./helpers/harness');

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

test('server.js prints where it listens, serves, and stops cleanly on SIGTERM', async () => {
    const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'zento-feed-cli-'));
    const { child, out, exited } = run(['--port', '0', '--news-port', '0', '--data', dataDir, '--seed', '9', '--quiet']);
    try {
        await within(new Promise((resolve, reject) => {
            child.stdout.on('data', () => { if (LISTENING.test(out.stdout)) resolve(); });
            child.on('exit', () => reject(new Error(`exited early: ${out.stderr}`)));
        }), 10000, 'start');
        const [, host, httpPort, , newsPort] = LISTENING.exec(out.stdout);
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
    for (const args of [['--port', 'abc'], ['--port', '70000'], ['--frobnicate'], ['--seed']]) {
        const { out, exited } = run(args);
        const { code } = await within(exited, 10000, 'exit');
        assert.equal(code, 2, args.join(' '));
        assert.match(out.stderr, /usage: node feed\/server\.js/);
    }
});
