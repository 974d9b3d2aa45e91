'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const io = require('socket.io-client');
const { NewsDesk } = require('../lib/news');
const { startFeed, request, postJson, waitFor, WEDNESDAY } = require('./helpers/harness');

const FLASH_KEY = /^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}$/;
const CALENDAR_KEY = /^\d{4}-\d{2}-\d{2} \d{2}:\d{2}$/;

// The terminal's tag stripper, to check what it will make of our keys and texts.
function stripTags(text) {
    let open = text.indexOf('<');
    for (let i = 0; i < 100 && open >= 0; i++) {
        const close = text.indexOf('>');
        if (close >= 0) text = close < open ? text.slice(0, open) : text.slice(0, open) + text.slice(close + 1);
        open = text.indexOf('<');
    }
    return text;
}

function historyRequest(overrides = {}) {
    return { app: 'PC', password: 'Zentoplkmnjuh62yt5gbv3c', method: 'GetFlashListRequest', sessionId: '',
        jsonStr: { wheres: { MaxTime: 0 }, limit: 50 }, ...overrides };
}

test('live records of every type follow the record layout and refer to items already sent', () => {
    const desk = new NewsDesk({ seed: 11, quote: () => ({ last: '2345.67', change: 0.004 }) });
    const flashKeys = new Set();
    const calendarKeys = new Set();
    const seen = new Set();
    let ms = WEDNESDAY;
    for (let i = 0; i < 400; i++, ms += 7000) {
        const record = desk.next(ms);
        const fields = record.split('#');
        const type = Number(fields[0]);
        seen.add(type);
        switch (type) {
        case 0:
            assert.equal(fields.length, 4, record);
            assert.match(fields[3], FLASH_KEY);
            assert.equal(stripTags(fields[3]), fields[3]);
            assert.ok(!flashKeys.has(fields[3]), `key ${fields[3]} used twice`);
            assert.match(fields[2], /<\/(b|a)>/, 'flash text carries HTML');
            assert.ok(stripTags(fields[2]).length > 5);
            flashKeys.add(fields[3]);
            break;
        case 2:
            assert.equal(fields.length, 4, record);
            assert.ok(flashKeys.has(fields[3]), 'changes a flash that was sent');
            break;
        case 1:
            assert.ok(fields.length >= 11, record);
            assert.match(fields[8], CALENDAR_KEY);
            assert.ok(!calendarKeys.has(fields[8]) && !flashKeys.has(fields[8]));
            assert.match(fields[6], /^[1-5]$/, 'importance');
            assert.match(fields[1], /^\d{2}:\d{2}$/);
            calendarKeys.add(fields[8]);
            break;
        case 3:
            assert.equal(fields.length, 5, record);
            assert.ok(calendarKeys.has(fields[1]), 'publishes figures of an announced item');
            assert.match(fields[4], /^-?\d+\.\d/, 'actual value');
            break;
        case 5:
            assert.equal(fields.length, 2, record);
            assert.ok(flashKeys.delete(fields[1]), 'removes a flash that is shown');
            break;
        default:
            assert.fail(`unexpected record ${record}`);
        }
    }
    assert.deepEqual([...seen].sort(), [0, 1, 2, 3, 5]);
});

test('news history answers 50 items newest first, in the reply shape the terminal reads', async () => {
    const t = await startFeed();
    try {
        // Some live traffic first: removed and changed items must show in the history.
        const records = [];
        for (let i = 0; i < 40; i++) {
            t.clock.ms += 9000;
            records.push(t.feed.news.next(t.clock.ms));
        }
        const answer = await postJson(`${t.news}/`, historyRequest());
        assert.equal(answer.status, 200);
        assert.equal(answer.json.status_code, 200);
        const data = answer.json.data;
        assert.equal(data.length, 50);
        let previousFlash = Infinity;
        for (const item of data) {
            assert.deepEqual(Object.keys(item), ['type', 'content', 'timestr']);
            assert.match(item.timestr, /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z$/);
            if (item.type === 1) {
                assert.ok(item.content.startsWith('1#') && item.content.split('#').length >= 11);
            } else {
                assert.equal(item.type, 0);
                const time = Date.parse(item.timestr);
                assert.ok(time < previousFlash, 'newest first');
                previousFlash = time;
            }
        }
        const removed = records.filter((r) => r.startsWith('5#')).map((r) => r.split('#')[1]);
        const shownKeys = data.filter((i) => i.type === 0).map((i) => i.timestr.replace('T', ' ').replace('Z', ''));
        for (const key of removed) assert.ok(!shownKeys.includes(key), `removed ${key} is gone`);
        for (const changed of records.filter((r) => r.startsWith('2#'))) {
            const [, , text, key] = changed.split('#');
            const item = data.find((i) => i.timestr === `${key.replace(' ', 'T')}Z`);
            if (item) assert.equal(item.content, text);
        }
        // The same answer on the market port, which the history list names too.
        assert.equal((await postJson(`${t.http}/`, historyRequest())).json.data.length, 50);
        const paged = await postJson(`${t.news}/`, historyRequest({ jsonStr: JSON.stringify({ wheres: { MaxTime: 1 }, limit: 5 }) }));
        assert.deepEqual(paged.json.data, []);
    } finally {
        await t.stop();
    }
});

test('a bad news history request gets a 4xx with a message', async () => {
    const t = await startFeed();
    try {
        const cases = [
            [historyRequest({ password: 'guess' }), 403, /password/],
            [historyRequest({ method: 'GetEverything' }), 400, /method/],
            [historyRequest({ jsonStr: { limit: 5000 } }), 400, /limit/],
            [historyRequest({ jsonStr: { wheres: { MaxTime: 'x' } } }), 400, /MaxTime/],
            [historyRequest({ jsonStr: '{oops' }), 400, /jsonStr/],
            ['{"app":', 400, /JSON/],
            ['[1,2]', 400, /object/],
        ];
        for (const [body, status, message] of cases) {
            const answer = await postJson(`${t.news}/`, body);
            assert.equal(answer.status, status, JSON.stringify(body));
            assert.equal(answer.json.status_code, status);
            assert.match(answer.json.message, message);
        }
        const oversized = await request('POST', `${t.news}/`, `"${'x'.repeat(2 << 20)}"`);
        assert.equal(oversized.status, 413);
    } finally {
        await t.stop();
    }
});

test('the news stream sends each record as a string event "user message"', async () => {
    const t = await startFeed({ newsIntervalMs: 20 });
    const socket = io(t.news, { transports: ['websocket'], forceNew: true, reconnection: false });
    try {
        const received = [];
        socket.on('user message', (data) => received.push(data));
        await waitFor(() => received.length >= 3);
        for (const record of received) {
            assert.equal(typeof record, 'string');
            assert.match(record, /^[0-5]#/);
        }
    } finally {
        socket.disconnect();
        await t.stop();
    }
});
