'use strict';
// The whole service: two HTTP servers on one host, the market stream on the first, the news
// stream on the second, the same HTTP routes on both. Used by server.js and by the tests,
// which pass a clock of their own and ports of 0.

const http = require('http');
const { MarketModel } = require('./market');
const { HistoryService } = require('./history');
const { NewsDesk } = require('./news');
const { UpdateService } = require('./updates');
const { MarketStream, NewsStream } = require('./streams');
const { createRouter } = require('./router');
const { serverLists, baseUrl } = require('./serverLists');
const { stockListDocument } = require('./instruments');
const { Random } = require('./random');

function consoleLog(quiet) {
    const write = (level, text) => process.stderr.write(`feed: ${level}${text}\n`);
    return {
        info: (text) => { if (!quiet) write('', text); },
        warn: (text) => write('warning: ', text),
        error: (text) => write('error: ', text),
    };
}

function listen(server, port, host) {
    return new Promise((resolve, reject) => {
        const onError = (error) => reject(new Error(`cannot listen on ${host}:${port}: ${error.message}`));
        server.once('error', onError);
        server.listen(port, host, () => {
            server.off('error', onError);
            resolve(server.address().port);
        });
    });
}

function close(server) {
    return new Promise((resolve) => {
        if (!server.listening) {
            resolve();
            return;
        }
        server.close(() => resolve());
        server.closeAllConnections();
    });
}

// A clock that starts at startMs and runs with real time (a monotonic one: a change of the system
// clock does not move it); the system clock when there is no start.
function startClock(startMs, elapsedMs = () => performance.now()) {
    if (startMs === null || startMs === undefined) return Date.now;
    const origin = elapsedMs();
    return () => startMs + Math.floor(elapsedMs() - origin);
}

class Feed {
    // options: as built by config.js. now: clock in milliseconds. log: {info, warn, error}.
    constructor(options, { now = Date.now, log = consoleLog(options.quiet) } = {}) {
        this.options = options;
        this.now = now;
        this.log = log;
        this.ports = { http: 0, news: 0 };
        this.lists_ = null;
        this.market = new MarketModel({ seed: options.seed, weekendClosed: options.weekendClosed });
        this.history = new HistoryService(this.market, options);
        this.news = new NewsDesk({ seed: options.seed, quote: (code, nowMs) => this.quoteText(code, nowMs) });
        // The archive URL names the port, known only once listening.
        this.updates = new UpdateService({ dataDir: options.dataDir, update: options.update, log,
            archiveUrl: () => `${this.baseUrl('http')}${options.endpoints.updateArchive.path}` });

        const router = createRouter({
            endpoints: options.endpoints, history: this.history, news: this.news, updates: this.updates,
            stockList: stockListDocument(), lists: () => this.lists_, baseUrl: (server) => this.baseUrl(server),
            now: () => this.now(), options, log, stats: () => this.stats(),
        });
        const handle = (req, res) => { router(req, res); };
        this.httpServer_ = http.createServer(handle);
        this.newsServer_ = http.createServer(handle);
        for (const server of [this.httpServer_, this.newsServer_]) {
            server.on('clientError', (error, socket) => {
                log.warn(`bad HTTP request: ${error.message}`);
                if (socket.writable) socket.end('HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n');
                else socket.destroy();
            });
        }
        this.marketStream = new MarketStream(this.httpServer_, this.market,
            { quoteIntervalMs: options.quoteIntervalMs, burstPerSecond: options.burst, now: () => this.now(), log });
        this.newsStream = new NewsStream(this.newsServer_, this.news,
            { newsIntervalMs: options.newsIntervalMs, now: () => this.now(), log, random: new Random(`${options.seed}|pace`) });
    }

    baseUrl(server) {
        return baseUrl(this.options.host, server === 'news' ? this.ports.news : this.ports.http);
    }

    quoteText(code, nowMs) {
        const quote = this.market.quote(code, nowMs);
        return { last: this.market.formatPips(code, quote.last), change: (quote.last - quote.reference) / quote.reference };
    }

    // What the market stream has sent, for load tests that compare it with what a client applied.
    stats() {
        return { clients: this.marketStream.clientCount, burst: this.options.burst, ...this.marketStream.sent };
    }

    async start() {
        const { host } = this.options;
        if (!/^\d+\.\d+\.\d+\.\d+$/.test(host)) {
            this.log.warn(`host "${host}" is not a dotted address; the terminal cannot read such server-list entries`);
        }
        try {
            this.ports.http = await listen(this.httpServer_, this.options.httpPort, host);
            this.ports.news = await listen(this.newsServer_, this.options.newsPort, host);
        } catch (error) {
            await this.stop();
            throw error;
        }
        this.lists_ = serverLists(host, this.ports);
        this.news.backlog(this.options.newsBacklog, this.now());
        this.marketStream.start();
        this.newsStream.start();
        return this.ports;
    }

    async stop() {
        this.marketStream.stop();
        this.newsStream.stop();
        await Promise.all([close(this.httpServer_), close(this.newsServer_)]);
    }
}

module.exports = { Feed, consoleLog, startClock };
