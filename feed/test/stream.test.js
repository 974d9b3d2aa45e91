'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const io = require('socket.io-client');
const { startFeed, request, csvRows, nextEvent, waitFor } = require('./helpers/harness');

function connect(url) {
    const socket = io(url, { transports: ['websocket'], forceNew: true, reconnection: false });
    return nextEvent(socket, 'connect').then(() => socket);
}

function emitWithAck(socket, event, data) {
    return new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error(`no ack for ${event}`)), 3000);
        socket.emit(event, data, (answer) => {
            clearTimeout(timer);
            resolve(answer);
        });
    });
}

// Collects every `event` argument until stopped.
function record(socket, event) {
    const seen = [];
    socket.on(event, (data) => seen.push(data));
    return seen;
}

test('quote subscription: acknowledged, replaced on each message, quotes as six-element arrays', async () => {
    const t = await startFeed();
    const socket = await connect(t.http);
    try {
        const quotes = record(socket, 'rec_advanced');
        const ack = await emitWithAck(socket, 'setAdvSubscription', { list: ['EURUSD', 'XAUUSD', 'EURUSD', 'NOPE'] });
        assert.deepEqual(ack, { list: ['EURUSD', 'XAUUSD'], rejected: ['NOPE'] });
        // A subscription is answered with the current quotes at once.
        await waitFor(() => quotes.some((q) => q[0] === 'XAUUSD') && quotes.some((q) => q[0] === 'EURUSD'));
        for (const q of quotes) {
            assert.ok(Array.isArray(q) && q.length === 6, JSON.stringify(q));
            assert.equal(typeof q[0], 'string');
            for (const value of q.slice(1, 5)) assert.equal(typeof value, 'number');
            assert.ok(Number.isInteger(q[5]) && q[5] === Math.floor(t.clock.ms / 1000));
            assert.ok(q[3] <= q[4] && q[4] <= q[2], 'low <= last <= high');
        }

        // Next step of the market: every subscribed quote that moved is sent again.
        quotes.length = 0;
        t.clock.ms += 1000;
        t.feed.marketStream.tick();
        await waitFor(() => quotes.some((q) => q[0] === 'EURUSD'));

        const replaced = await emitWithAck(socket, 'setAdvSubscription', { list: ['USOIL'] });
        assert.deepEqual(replaced, { list: ['USOIL'] });
        await waitFor(() => quotes.some((q) => q[0] === 'USOIL'));
        quotes.length = 0;
        for (let i = 0; i < 8; i++) {
            t.clock.ms += 250;
            t.feed.marketStream.tick();
        }
        await waitFor(() => quotes.some((q) => q[5] === Math.floor(t.clock.ms / 1000)));
        assert.deepEqual(new Set(quotes.map((q) => q[0])), new Set(['USOIL']));

        // A message without a list changes nothing and says why.
        const refused = await emitWithAck(socket, 'setAdvSubscription', 'nonsense');
        assert.deepEqual(refused.list, ['USOIL']);
        assert.match(refused.error, /list/);
    } finally {
        socket.disconnect();
        await t.stop();
    }
});

test('bar subscription: acknowledged as the terminal reads it; bars agree with the history', async () => {
    // 20 s before a minute ends, so the test can cross into a new 1-minute bar.
    const clock = { ms: Date.UTC(2024, 4, 15, 13, 30, 40, 0) };
    const t = await startFeed({}, clock);
    const socket = await connect(t.http);
    try {
        const bars = record(socket, 'rec_kline');
        const ack = await emitWithAck(socket, 'setKlineSubscription',
            { list: [{ symbol: 'EURUSD', timeType: 1 }, { symbol: 'XAUUSD', timeType: 15 }, { symbol: 'EURUSD', timeType: 7 }] });
        assert.deepEqual(ack, { list: [{ symbol: 'EURUSD', timeType: 1 }, { symbol: 'XAUUSD', timeType: 15 }],
            rejected: [{ symbol: 'EURUSD', timeType: 7 }] });
        await waitFor(() => bars.length > 0);
        const first = bars.shift();
        assert.equal(first.length, 2);
        for (const bar of first) {
            assert.equal(bar.length, 8);
            assert.ok(Number.isInteger(bar[1]) && Number.isInteger(bar[6]) && Number.isInteger(bar[7]));
        }
        const week = csvRows((await request('GET', `${t.http}/aweek/XAUUSD/15`)).body).at(-1);
        const gold = first.find((b) => b[0] === 'XAUUSD');
        assert.deepEqual(gold.slice(1, 7), week.map(Number), 'live bar equals the week history\'s last bar');

        // Step across the minute: the closing bar is sent once more, final, then the new one.
        const openedBefore = first.find((b) => b[0] === 'EURUSD');
        for (let i = 0; i < 84 && clock.ms < Date.UTC(2024, 4, 15, 13, 31, 0, 500); i++) {
            clock.ms += 250;
            t.feed.marketStream.tick();
        }
        const newMinute = openedBefore[1] + 60;
        const sent = () => bars.flat();
        await waitFor(() => sent().some((b) => b[0] === 'EURUSD' && b[1] === newMinute));
        const closing = sent().filter((b) => b[0] === 'EURUSD' && b[1] === openedBefore[1]).at(-1);
        const opened = sent().find((b) => b[0] === 'EURUSD' && b[1] === newMinute);
        assert.ok(closing && opened, 'closing and new bar sent');
        assert.ok(sent().indexOf(closing) < sent().indexOf(opened));
        const file = csvRows((await request('GET', `${t.http}/aweek/EURUSD/1`)).body);
        const stored = file.find((row) => Number(row[0]) === openedBefore[1]);
        assert.deepEqual(closing.slice(1, 7), stored.map(Number), 'final live bar equals the history');
        assert.equal(opened[2], closing[5], 'new bar opens at the close');
    } finally {
        socket.disconnect();
        await t.stop();
    }
});

test('burst mode: N quotes and N/10 bar messages per second of feed time, spread evenly, in order', async () => {
    const N = 300;
    // Half way into the burst a minute ends: the 1-minute bars cross into a new bar.
    const clock = { ms: Date.UTC(2024, 4, 15, 13, 30, 59, 0) };
    const t = await startFeed({ burst: N }, clock);
    const socket = await connect(t.http);
    try {
        const quotes = record(socket, 'rec_advanced');
        const barMessages = record(socket, 'rec_kline');
        const codes = ['EURUSD', 'XAUUSD', 'USOIL'];
        await emitWithAck(socket, 'setAdvSubscription', { list: codes });
        await emitWithAck(socket, 'setKlineSubscription',
            { list: [{ symbol: 'EURUSD', timeType: 1 }, { symbol: 'XAUUSD', timeType: 15 }] });
        // The answers to the subscriptions are not part of the burst.
        await waitFor(() => quotes.length === codes.length && barMessages.length === 1);
        quotes.length = 0;
        barMessages.length = 0;
        const stepMs = (ms) => {
            for (let elapsed = 0; elapsed < ms; elapsed += 10) {
                t.clock.ms += 10;
                t.feed.marketStream.tick();
            }
        };
        stepMs(500);
        await waitFor(() => quotes.length >= N / 2 && barMessages.length >= N / 20);
        stepMs(1500);
        await waitFor(() => quotes.length >= 2 * N && barMessages.length >= N / 5);
        // A moment more for anything beyond the expected counts to show up.
        await nextEvent(socket, 'rec_advanced', () => true, 100).catch(() => {});
        assert.equal(quotes.length, 2 * N);
        assert.equal(barMessages.length, N / 5);
        for (const code of codes) assert.equal(quotes.filter((q) => q[0] === code).length, (2 * N) / codes.length);
        const stats = JSON.parse((await request('GET', `${t.http}/stats`)).body.toString('utf8'));
        assert.deepEqual([stats.quotes, stats.barMessages], [2 * N + codes.length, N / 5 + 1]);

        // Valid messages of today's shape, each instrument's in time order.
        const last = new Map();
        for (const q of quotes) {
            assert.ok(q.length === 6 && q[3] <= q[4] && q[4] <= q[2], JSON.stringify(q));
            assert.ok((last.get(q[0]) ?? 0) <= q[5], `${q[0]} out of order`);
            last.set(q[0], q[5]);
        }
        const bars = barMessages.flat();
        for (const key of ['EURUSD|1', 'XAUUSD|15']) {
            const times = bars.filter((b) => `${b[0]}|${b[7]}` === key).map((b) => b[1]);
            assert.deepEqual(times, [...times].sort((a, b) => a - b), key);
        }
        // The minute turned: the closing 1-minute bar goes out once more before the new one.
        const minute = Date.UTC(2024, 4, 15, 13, 31, 0) / 1000;
        const eurusd = bars.filter((b) => b[0] === 'EURUSD');
        assert.ok(eurusd.some((b) => b[1] === minute - 60) && eurusd.some((b) => b[1] === minute));
    } finally {
        socket.disconnect();
        await t.stop();
    }
});

test('wire frames: Engine.IO 2 handshake and the terminal\'s compact event frames', async () => {
    const t = await startFeed();
    const base = `${t.http}/socket.io/1/?EIO=2&transport=polling&b64=true`;
    try {
        const handshake = (await request('GET', base)).body.toString('utf8');
        assert.match(handshake, /^\d+:0\{"sid":"[^"]+","upgrades":\["websocket"\],"pingInterval":\d+,"pingTimeout":\d+\}$/);
        const sid = JSON.parse(handshake.slice(handshake.indexOf('{'))).sid;
        const url = `${base}&sid=${sid}`;
        const packets = [];
        const poll = async (want) => {
            for (let i = 0; i < 20 && !packets.some(want); i++) {
                let body = (await request('GET', url)).body.toString('utf8');
                while (body.length > 0) {
                    const colon = body.indexOf(':');
                    const length = Number(body.slice(0, colon));
                    packets.push(body.slice(colon + 1, colon + 1 + length));
                    body = body.slice(colon + 1 + length);
                }
            }
            return packets.find(want);
        };
        assert.equal(await poll((p) => p === '40'), '40');
        // Exactly what the terminal writes: "42" + ack id + compact array.
        const frame = '429["setKlineSubscription",{"list":[{"symbol":"EURUSD","timeType":15}]}]';
        const frame2 = '428["setAdvSubscription",{"list":["EURUSD"]}]';
        const body = `${frame.length}:${frame}${frame2.length}:${frame2}`;
        assert.equal((await request('POST', url, body, { 'Content-Type': 'text/plain;charset=UTF-8' })).status, 200);
        assert.equal(await poll((p) => p.startsWith('439')), '439[{"list":[{"symbol":"EURUSD","timeType":15}]}]');
        assert.equal(await poll((p) => p.startsWith('438')), '438[{"list":["EURUSD"]}]');
        assert.match(await poll((p) => p.startsWith('42["rec_advanced"')), /^42\["rec_advanced",\["EURUSD",[\d.]+,[\d.]+,[\d.]+,[\d.]+,\d+\]\]$/);
        assert.match(await poll((p) => p.startsWith('42["rec_kline"')), /^42\["rec_kline",\[\["EURUSD",\d+,[\d.]+,[\d.]+,[\d.]+,[\d.]+,\d+,15\]\]\]$/);
    } finally {
        await t.stop();
    }
});

test('a client that vanishes mid-stream costs nothing', async () => {
    const t = await startFeed();
    try {
        const socket = await connect(t.http);
        await emitWithAck(socket, 'setAdvSubscription', { list: ['EURUSD'] });
        await emitWithAck(socket, 'setKlineSubscription', { list: [{ symbol: 'EURUSD', timeType: 5 }] });
        assert.equal(t.feed.marketStream.clientCount, 1);
        socket.io.engine.transport.ws.terminate();
        await waitFor(() => t.feed.marketStream.clientCount === 0);
        t.clock.ms += 1000;
        t.feed.marketStream.tick();
        const other = await connect(t.http);
        assert.deepEqual(await emitWithAck(other, 'setAdvSubscription', { list: ['XAGUSD'] }), { list: ['XAGUSD'] });
        other.disconnect();
        assert.ok(!t.log.lines.some((l) => l.startsWith('error')), t.log.lines.filter((l) => l.startsWith('error')).join('\n'));
    } finally {
        await t.stop();
    }
});
