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
// Burst mode (burstPerSecond > 0) replaces that pace for load tests: every client gets
// burstPerSecond quotes and a tenth as many bar messages per second of feed time, spread over
// ticks of BURST_TICK_MS, taking its subscriptions in turn whether the price moved or not.
//
// News stream, default namespace: "user message" with one record text per event.

const socketIo = require('socket.io');
const { findInstrument, isTimeType } = require('./instruments');

const MAX_SUBSCRIPTIONS = 256;
// Subscription messages are small; the library's own limit is 100 MB.
const SOCKET_OPTIONS = { serveClient: false, maxHttpBufferSize: 1 << 20 };
const MAX_REJECTED_SHOWN = 20;
const BURST_TICK_MS = 10;
const BARS_PER_QUOTE_DIVISOR = 10;

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
    constructor(httpServer, market, { quoteIntervalMs, burstPerSecond = 0, now, log }) {
        this.market_ = market;
        this.intervalMs_ = quoteIntervalMs;
        this.burstPerSecond_ = burstPerSecond;
        this.burst_ = null;
        this.now_ = now;
        this.log_ = log;
        this.clients_ = new Map();
        this.timer_ = null;
        this.sent_ = { quotes: 0, barMessages: 0, bars: 0 };
        this.io_ = socketIo(httpServer, SOCKET_OPTIONS);
        this.io_.on('connection', (socket) => this.onConnection(socket));
    }

    start() {
        if (this.burstPerSecond_ > 0) this.burst_ = { originMs: this.now_(), quotesDue: 0, barsDue: 0 };
        const interval = this.burst_ ? BURST_TICK_MS : this.intervalMs_;
        this.timer_ = setInterval(() => this.guard('tick', () => this.tick()), interval);
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

    // Events emitted since the start, over all clients: quotes, bar messages and the bars in them.
    get sent() {
        return { ...this.sent_ };
    }

    emit(client, event, payload) {
        if (event === 'rec_advanced') {
            this.sent_.quotes++;
        } else {
            this.sent_.barMessages++;
            this.sent_.bars += payload.length;
        }
        client.socket.emit(event, payload);
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
        const client = { socket, codes: [], klines: [], sentQuotes: new Map(), sentBars: new Map(),
            nextQuote: 0, nextBar: 0 };
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
        if (this.burst_) {
            this.burstTick(nowMs, quotes, bars);
            return;
        }
        for (const client of this.clients_.values()) {
            this.sendQuotes(client, nowMs, quotes);
            this.sendBars(client, nowMs, bars);
        }
    }

    // Counts come from the feed time since the start, so the pace holds however the timer fires;
    // after a stall of over a second the backlog is dropped rather than flooding the clients.
    burstTick(nowMs, quoteCache, barCache) {
        const burst = this.burst_;
        const elapsedMs = Math.max(0, nowMs - burst.originMs);
        const quotesDue = Math.floor((elapsedMs * this.burstPerSecond_) / 1000);
        const barsDue = Math.floor((elapsedMs * this.burstPerSecond_) / (1000 * BARS_PER_QUOTE_DIVISOR));
        const quotes = Math.min(quotesDue - burst.quotesDue, this.burstPerSecond_);
        const bars = Math.min(barsDue - burst.barsDue, Math.ceil(this.burstPerSecond_ / BARS_PER_QUOTE_DIVISOR));
        burst.quotesDue = quotesDue;
        burst.barsDue = barsDue;
        for (const client of this.clients_.values()) {
            for (let k = 0; k < quotes && client.codes.length > 0; k++) {
                const code = client.codes[client.nextQuote++ % client.codes.length];
                const message = this.quoteMessage(code, nowMs, quoteCache);
                client.sentQuotes.set(code, message.slice(1, 5).join(','));
                this.emit(client, 'rec_advanced', message);
            }
            for (let k = 0; k < bars && client.klines.length > 0; k++) {
                const subscription = client.klines[client.nextBar++ % client.klines.length];
                const out = this.barUpdate(client, subscription, nowMs, barCache, true);
                if (out.length > 0) this.emit(client, 'rec_kline', out);
            }
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
            this.emit(client, 'rec_advanced', message);
        }
    }

    barMessage(code, ttype, index, nowMs) {
        const bar = this.market_.bar(code, ttype, index, nowMs);
        const price = (pips) => this.market_.toPrice(code, pips);
        return [code, bar.time, price(bar.open), price(bar.high), price(bar.low), price(bar.close), bar.volume, ttype];
    }

    sendBars(client, nowMs, cache) {
        const out = [];
        for (const subscription of client.klines) out.push(...this.barUpdate(client, subscription, nowMs, cache, false));
        if (out.length > 0) this.emit(client, 'rec_kline', out);
    }

    // The bars one subscription needs now: its current bar when it changed (always when forced),
    // preceded by the final values of the bar before it when a new one has opened.
    barUpdate(client, { code, ttype }, nowMs, cache, force) {
        const index = this.market_.barCount(ttype, nowMs) - 1;
        if (index < 0) return [];
        const cacheKey = `${code}|${ttype}|${index}`;
        let message = cache.get(cacheKey);
        if (!message) {
            message = this.barMessage(code, ttype, index, nowMs);
            cache.set(cacheKey, message);
        }
        const subscription = `${code}|${ttype}`;
        const sent = client.sentBars.get(subscription);
        const text = JSON.stringify(message);
        if (!force && sent && sent.text === text) return [];
        const out = [];
        if (sent && sent.index < index) {
            const last = this.barMessage(code, ttype, sent.index, nowMs);
            if (JSON.stringify(last) !== sent.text) out.push(last);
        }
        client.sentBars.set(subscription, { index, text });
        out.push(message);
        return out;
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
