'use strict';
// The two Socket.IO streams, each on its own HTTP server (socket.io takes the /socket.io/ path
// and hands every other request to the HTTP routes).
//
// Market stream, default namespace:
//   in   "setAdvSubscription"   {"list":[code, ...]}                      ack {"list":[code, ...]}
//   in   "setKlineSubscription" {"list":[{"symbol":code,"timeType":n}]}  ack {"list":[{"symbol","timeType"}]}
//   out  "rec_advanced"  [code, reference, high, low, last, time]             one quote per event
//   out  "rec_kline"     [[code, time, open, high, low, close, volume, timeType], ...]
// Each subscription message replaces that client's list; entries we do not know are dropped and
// named in the acknowledgement's "rejected". Quotes go out when they change (every 250 ms step
// of the simulated market), bars when the current bar changes; when a new bar opens, the bar
// it follows is sent once more with its final values, so the terminal ends up with exactly
// what the history files will say.
//
// News stream, default namespace: "user message" with one record text per event.

const socketIo = require('socket.io');
const { findInstrument, isTimeType } = require('./instruments');

const MAX_SUBSCRIPTIONS = 256;
// Subscription messages are small; the library's own limit is 100 MB.
const SOCKET_OPTIONS = { serveClient: false, maxHttpBufferSize: 1 << 20 };
const MAX_REJECTED_SHOWN = 20;

// Engine.IO's own close waits for polling clients to come back for their last packet, keeping
// timers alive for up to a minute and a half; a stopping service ends those sessions at once.
function closeEngine(io) {
    const engine = io.engine;
    engine.close();
    for (const client of Object.values(engine.clients)) {
        if (client.transport) client.transport.discarded = true;
        client.onClose('server shutting down');
    }
}

function readList(data) {
    if (typeof data === 'string') {
        try { data = JSON.parse(data); } catch { return null; }
    }
    if (data === null || typeof data !== 'object' || !Array.isArray(data.list)) return null;
    return data.list;
}

function reply(ack, body) {
    if (typeof ack === 'function') ack(body);
}

function timeTypeOf(value) {
    const number = typeof value === 'string' && /^\d+$/.test(value) ? Number(value) : value;
    return isTimeType(number) ? number : null;
}

class MarketStream {
    constructor(httpServer, market, { quoteIntervalMs, now, log }) {
        this.market_ = market;
        this.intervalMs_ = quoteIntervalMs;
        this.now_ = now;
        this.log_ = log;
        this.clients_ = new Map();
        this.timer_ = null;
        this.io_ = socketIo(httpServer, SOCKET_OPTIONS);
        this.io_.on('connection', (socket) => this.onConnection(socket));
    }

    start() {
        this.timer_ = setInterval(() => this.guard('tick', () => this.tick()), this.intervalMs_);
    }

    stop() {
        clearInterval(this.timer_);
        this.timer_ = null;
        for (const client of this.clients_.values()) client.socket.disconnect(true);
        this.clients_.clear();
        closeEngine(this.io_);
    }

    get clientCount() {
        return this.clients_.size;
    }

    // A fault in one message or tick is logged and costs nothing else.
    guard(what, work) {
        try {
            work();
        } catch (error) {
            this.log_.error(`market stream: ${what} failed: ${error.stack || error}`);
        }
    }

    onConnection(socket) {
        const client = { socket, codes: [], klines: [], sentQuotes: new Map(), sentBars: new Map() };
        this.clients_.set(socket.id, client);
        this.log_.info(`market stream: client ${socket.id} connected (${this.clients_.size} now)`);
        socket.on('setAdvSubscription', (data, ack) => this.guard('setAdvSubscription', () => this.subscribeQuotes(client, data, ack)));
        socket.on('setKlineSubscription', (data, ack) => this.guard('setKlineSubscription', () => this.subscribeBars(client, data, ack)));
        socket.on('error', (error) => this.log_.warn(`market stream: client ${socket.id}: ${error}`));
        socket.on('disconnect', (reason) => {
            this.clients_.delete(socket.id);
            this.log_.info(`market stream: client ${socket.id} left (${reason})`);
        });
    }

    subscribeQuotes(client, data, ack) {
        const list = readList(data);
        if (!list) {
            this.log_.warn(`market stream: setAdvSubscription without a "list" array from ${client.socket.id}`);
            reply(ack, { list: client.codes, error: 'expected {"list":[instrument codes]}' });
            return;
        }
        const codes = [];
        const rejected = [];
        for (const code of list) {
            if (!findInstrument(code)) rejected.push(code);
            else if (!codes.includes(code) && codes.length < MAX_SUBSCRIPTIONS) codes.push(code);
        }
        client.codes = codes;
        for (const code of client.sentQuotes.keys()) if (!codes.includes(code)) client.sentQuotes.delete(code);
        this.log_.info(`market stream: ${client.socket.id} quotes ${codes.join(',') || '(none)'}`);
        reply(ack, this.withRejected({ list: codes }, rejected));
        this.sendQuotes(client, this.now_(), new Map());
    }

    subscribeBars(client, data, ack) {
        const list = readList(data);
        if (!list) {
            this.log_.warn(`market stream: setKlineSubscription without a "list" array from ${client.socket.id}`);
            reply(ack, { list: this.describeBars(client), error: 'expected {"list":[{"symbol":code,"timeType":minutes}]}' });
            return;
        }
        const klines = [];
        const rejected = [];
        for (const entry of list) {
            const code = entry && entry.symbol;
            const ttype = entry ? timeTypeOf(entry.timeType) : null;
            if (!findInstrument(code) || ttype === null) rejected.push(entry);
            else if (!klines.some((k) => k.code === code && k.ttype === ttype) && klines.length < MAX_SUBSCRIPTIONS) {
                klines.push({ code, ttype });
            }
        }
        client.klines = klines;
        const kept = new Set(klines.map((k) => `${k.code}|${k.ttype}`));
        for (const key of client.sentBars.keys()) if (!kept.has(key)) client.sentBars.delete(key);
        this.log_.info(`market stream: ${client.socket.id} bars ${klines.map((k) => `${k.code}/${k.ttype}`).join(',') || '(none)'}`);
        reply(ack, this.withRejected({ list: this.describeBars(client) }, rejected));
        this.sendBars(client, this.now_(), new Map());
    }

    describeBars(client) {
        return client.klines.map((k) => ({ symbol: k.code, timeType: k.ttype }));
    }

    withRejected(body, rejected) {
        if (rejected.length > 0) body.rejected = rejected.slice(0, MAX_REJECTED_SHOWN);
        return body;
    }

    tick() {
        const nowMs = this.now_();
        const quotes = new Map();
        const bars = new Map();
        for (const client of this.clients_.values()) {
            this.sendQuotes(client, nowMs, quotes);
            this.sendBars(client, nowMs, bars);
        }
    }

    quoteMessage(code, nowMs, cache) {
        let message = cache.get(code);
        if (!message) {
            const q = this.market_.quote(code, nowMs);
            const price = (pips) => this.market_.toPrice(code, pips);
            message = [code, price(q.reference), price(q.high), price(q.low), price(q.last), q.time];
            cache.set(code, message);
        }
        return message;
    }

    sendQuotes(client, nowMs, cache) {
        for (const code of client.codes) {
            const message = this.quoteMessage(code, nowMs, cache);
            // The time alone moves every second; only a price change is news.
            const key = message.slice(1, 5).join(',');
            if (client.sentQuotes.get(code) === key) continue;
            client.sentQuotes.set(code, key);
            client.socket.emit('rec_advanced', message);
        }
    }

    barMessage(code, ttype, index, nowMs) {
        const bar = this.market_.bar(code, ttype, index, nowMs);
        const price = (pips) => this.market_.toPrice(code, pips);
        return [code, bar.time, price(bar.open), price(bar.high), price(bar.low), price(bar.close), bar.volume, ttype];
    }

    sendBars(client, nowMs, cache) {
        const out = [];
        for (const { code, ttype } of client.klines) {
            const index = this.market_.barCount(ttype, nowMs) - 1;
            if (index < 0) continue;
            const cacheKey = `${code}|${ttype}|${index}`;
            let message = cache.get(cacheKey);
            if (!message) {
                message = this.barMessage(code, ttype, index, nowMs);
                cache.set(cacheKey, message);
            }
            const subscription = `${code}|${ttype}`;
            const sent = client.sentBars.get(subscription);
            const text = JSON.stringify(message);
            if (sent && sent.text === text) continue;
            if (sent && sent.index < index) {
                const last = this.barMessage(code, ttype, sent.index, nowMs);
                if (JSON.stringify(last) !== sent.text) out.push(last);
            }
            client.sentBars.set(subscription, { index, text });
            out.push(message);
        }
        if (out.length > 0) client.socket.emit('rec_kline', out);
    }
}

class NewsStream {
    constructor(httpServer, desk, { newsIntervalMs, now, log, random }) {
        this.desk_ = desk;
        this.intervalMs_ = newsIntervalMs;
        this.now_ = now;
        this.log_ = log;
        this.random_ = random;
        this.timer_ = null;
        this.io_ = socketIo(httpServer, SOCKET_OPTIONS);
        this.io_.on('connection', (socket) => {
            this.log_.info(`news stream: client ${socket.id} connected`);
            socket.on('error', (error) => this.log_.warn(`news stream: client ${socket.id}: ${error}`));
        });
    }

    start() {
        // Irregular pace, as a newsroom's: half to one and a half times the interval.
        const delay = this.intervalMs_ * (0.5 + this.random_.next());
        this.timer_ = setTimeout(() => {
            try {
                this.publish(this.desk_.next(this.now_()));
            } catch (error) {
                this.log_.error(`news stream: publishing failed: ${error.stack || error}`);
            }
            if (this.timer_) this.start();
        }, delay);
    }

    publish(record) {
        this.log_.info(`news stream: ${record}`);
        this.io_.emit('user message', record);
    }

    stop() {
        clearTimeout(this.timer_);
        this.timer_ = null;
        for (const socket of Object.values(this.io_.sockets.connected)) socket.disconnect(true);
        closeEngine(this.io_);
    }
}

module.exports = { MarketStream, NewsStream };
