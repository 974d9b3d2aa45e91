'use strict';
// HTTP routes. Both ports answer the same routes (socket.io takes /socket.io/ before us), so
// the lists that must name two servers name two real ones. Paths come from defaults.json.
// Every answer to bad input is a 4xx with a message that says what was wrong; a handler that
// throws costs one 500, never the process.

const fs = require('fs');
const { isSafeName } = require('./updates');

const JSON_LIMIT = 1 << 20;
const UPLOAD_LIMIT = 64 << 20;
// Not one of the terminal's endpoints: load tests read the stream's counters here.
const STATS_PATH = '/stats';

const TYPES = {
    json: 'application/json; charset=utf-8',
    script: 'application/javascript; charset=utf-8',
    text: 'text/plain; charset=utf-8',
    // The history body is a gzip file, not a compressed transfer: no Content-Encoding.
    gzip: 'application/gzip',
    binary: 'application/octet-stream',
};

class HttpError extends Error {
    constructor(status, message) {
        super(message);
        this.status = status;
    }
}

function send(res, status, type, body, extraHeaders = {}) {
    if (res.headersSent || res.destroyed) return;
    const bytes = Buffer.isBuffer(body) ? body : Buffer.from(String(body), 'utf8');
    res.writeHead(status, { 'Content-Type': TYPES[type], 'Content-Length': bytes.length, ...extraHeaders });
    res.end(bytes);
}

function sendJson(res, status, value) {
    send(res, status, 'json', JSON.stringify(value));
}

function readBody(req, limit) {
    return new Promise((resolve, reject) => {
        const declared = Number(req.headers['content-length']);
        if (declared > limit) {
            reject(new HttpError(413, `request body over ${limit} bytes`));
            req.resume();
            return;
        }
        const chunks = [];
        let size = 0;
        const onData = (chunk) => {
            size += chunk.length;
            if (size > limit) {
                // Stop keeping it; the rest drains and the connection closes after the answer.
                req.off('data', onData);
                req.resume();
                reject(new HttpError(413, `request body over ${limit} bytes`));
                return;
            }
            chunks.push(chunk);
        };
        req.on('data', onData);
        req.on('end', () => resolve(Buffer.concat(chunks)));
        req.on('aborted', () => reject(new HttpError(499, 'client closed the request')));
        req.on('error', (error) => reject(new HttpError(400, `request failed: ${error.message}`)));
    });
}

function parseJsonBody(bytes) {
    const text = bytes.toString('utf8');
    if (text.trim() === '') throw new HttpError(400, 'empty body, expected JSON');
    try {
        return JSON.parse(text);
    } catch (error) {
        throw new HttpError(400, `body is not JSON: ${error.message}`);
    }
}

// ctx: {endpoints, stockList, history, news, updates, lists(), baseUrl(server), now(), options, log, stats()}
function createRouter(ctx) {
    const paths = Object.fromEntries(Object.entries(ctx.endpoints).map(([name, e]) => [name, e.path]));
    const updatePrefix = paths.versionFile.slice(0, paths.versionFile.lastIndexOf('/') + 1);
    const logPath = paths.logUpload.replace(/\/$/, '');
    const scripts = {
        [paths.klineSocketServerList]: 'klineSocketServerList',
        [paths.klineHistoryServerList]: 'klineHistoryServerList',
        [paths.newsServerList]: 'newsServerList',
        [paths.newsHistoryServerList]: 'newsHistoryServerList',
    };

    // Each route: methods it answers, and a match on the decoded path giving its parameters.
    const routes = [
        { methods: ['POST'], match: (p) => p === paths.newsHistory, handle: newsHistory },
        { methods: ['GET'], match: (p) => p === '/', handle: index },
        { methods: ['GET'], match: (p) => p === STATS_PATH, handle: ({ res }) => sendJson(res, 200, ctx.stats()) },
        { methods: ['GET'], match: (p) => p === paths.stockList, handle: stockList },
        { methods: ['GET'], match: (p) => (Object.hasOwn(scripts, p) ? scripts[p] : null), handle: serverList },
        { methods: ['GET'], match: (p) => prefixed(p, paths.weekHistory), handle: weekHistory },
        { methods: ['POST'], match: (p) => p === paths.historyList, handle: historyList },
        { methods: ['GET'], match: (p) => prefixed(p, paths.historyFiles), handle: historyFile },
        { methods: ['GET'], match: (p) => p === paths.versionFile, handle: versionFile },
        { methods: ['GET'], match: (p) => prefixed(p, updatePrefix), handle: download },
        { methods: ['POST'], match: (p) => p === paths.installReport, handle: (q) => report(q, 'installation') },
        { methods: ['POST'], match: (p) => p === paths.runReport, handle: (q) => report(q, 'startover') },
        { methods: ['POST'], match: (p) => p === logPath || p === `${logPath}/`, handle: logUpload },
    ];

    function prefixed(pathname, prefix) {
        return pathname.startsWith(prefix) ? pathname.slice(prefix.length) : null;
    }

    function index({ res }) {
        const lines = Object.entries(ctx.endpoints).map(([name, e]) =>
            `${name.padEnd(24)} ${ctx.baseUrl(e.server)}${e.path}`);
        send(res, 200, 'text', `Zento local market-data feed\n\n${lines.join('\n')}\n`);
    }

    function stockList({ res }) {
        sendJson(res, 200, ctx.stockList);
    }

    function serverList({ res, param }) {
        send(res, 200, 'script', ctx.lists()[param]);
    }

    function weekHistory({ res, param }) {
        const match = /^([^/]+)\/(\d+)$/.exec(param);
        if (!match) throw new HttpError(400, `expected ${paths.weekHistory}<symbol>/<time type>`);
        const [, code, ttype] = match;
        if (!ctx.history.knows(code, Number(ttype))) throw new HttpError(404, `no history for ${code}/${ttype}`);
        send(res, 200, 'gzip', ctx.history.weekHistory(code, Number(ttype), ctx.now()));
    }

    async function historyList({ req, res }) {
        let request;
        try {
            request = parseJsonBody(await readBody(req, JSON_LIMIT));
        } catch (error) {
            if (!(error instanceof HttpError)) throw error;
            sendJson(res, error.status, { result: 0, error: error.message });
            return;
        }
        const answer = ctx.history.handleListRequest(request, ctx.now(),
            (name) => `${ctx.baseUrl('http')}${paths.historyFiles}${name}`);
        if (answer.status !== 200 || answer.body.result !== 1) {
            const shown = JSON.stringify(request).slice(0, 300);
            ctx.log.warn(`history list refused (${answer.body.error || 'bad signature'}): ${shown}`);
        }
        sendJson(res, answer.status, answer.body);
    }

    function historyFile({ res, param }) {
        const body = ctx.history.fileBody(param, ctx.now());
        if (!body) throw new HttpError(404, `no history file "${param}"`);
        send(res, 200, 'gzip', body);
    }

    async function newsHistory({ req, res }) {
        let request;
        try {
            request = parseJsonBody(await readBody(req, JSON_LIMIT));
        } catch (error) {
            if (!(error instanceof HttpError)) throw error;
            sendJson(res, error.status, { status_code: error.status, message: error.message });
            return;
        }
        const answer = ctx.news.handleHistoryRequest(request, ctx.options.newsPassword, ctx.options.newsHistoryLimit);
        if (answer.status !== 200) ctx.log.warn(`news history refused: ${answer.body.message}`);
        sendJson(res, answer.status, answer.body);
    }

    function versionFile({ res }) {
        sendJson(res, 200, ctx.updates.versionDocument());
    }

    // Update files answer "Range: bytes=N-" with 206 from N (416 at or past the end), so a broken
    // download resumes. Test options slow the bytes down or break each answer off part-way.
    function download({ req, res, param }) {
        const file = ctx.updates.downloadPath(param);
        if (!file) throw new HttpError(404, `no update file "${param}"`);
        const size = fs.statSync(file).size;
        const range = /^bytes=(\d+)-$/.exec(req.headers.range || '');
        const start = range ? Number(range[1]) : 0;
        if (range && start >= size) {
            res.writeHead(416, { 'Content-Range': `bytes */${size}`, 'Content-Length': 0 });
            res.end();
            return;
        }
        const headers = { 'Content-Type': TYPES.binary, 'Content-Length': size - start, 'Accept-Ranges': 'bytes' };
        if (range) headers['Content-Range'] = `bytes ${start}-${size - 1}/${size}`;
        res.writeHead(range ? 206 : 200, headers);
        if (req.method === 'HEAD') {
            res.end();
            return;
        }
        const { throttleDownloads = 0, cutDownloadsAfter = 0 } = ctx.options;
        const cutAt = cutDownloadsAfter > 0 ? Math.floor((size * cutDownloadsAfter) / 100) : Infinity;
        const stream = fs.createReadStream(file, { start, highWaterMark: 16384 });
        stream.on('error', (error) => {
            ctx.log.error(`update: reading ${file} failed: ${error.message}`);
            res.destroy();
        });
        if (!throttleDownloads && cutAt === Infinity) {
            stream.pipe(res);
            return;
        }
        let sent = 0;
        const begun = Date.now();
        stream.on('data', (chunk) => {
            const piece = chunk.subarray(0, Math.max(0, Math.min(chunk.length, cutAt - sent)));
            sent += piece.length;
            if (sent >= cutAt) {
                ctx.log.info(`update: ${param} cut after ${sent} bytes`);
                stream.destroy();
                // Only once the bytes are on their way, or the client would never see them.
                res.write(piece, () => res.destroy());
                return;
            }
            res.write(piece);
            if (throttleDownloads > 0) {
                const due = (sent / throttleDownloads) * 1000 - (Date.now() - begun);
                if (due > 0) {
                    stream.pause();
                    setTimeout(() => stream.resume(), due);
                }
            }
        });
        stream.on('end', () => res.end());
        res.on('close', () => stream.destroy());
    }

    async function report({ req, res }, kind) {
        const type = String(req.headers['content-type'] || '');
        if (!/^application\/json\b/i.test(type)) {
            req.resume();
            throw new HttpError(415, `a report must be sent as application/json, not "${type}"`);
        }
        const bytes = await readBody(req, JSON_LIMIT);
        const value = parseJsonBody(bytes);
        if (value === null || typeof value !== 'object' || Array.isArray(value)) {
            throw new HttpError(400, 'the report must be a JSON object');
        }
        const file = ctx.updates.storeReport(kind, bytes);
        ctx.log.info(`report ${kind} stored in ${file}`);
        send(res, 200, 'text', 'success');
    }

    async function logUpload({ req, res, url }) {
        const name = url.searchParams.get('fileName');
        if (name === null || name === '') throw new HttpError(400, 'missing fileName');
        if (!isSafeName(name)) throw new HttpError(400, `unsafe file name "${name}"`);
        const bytes = await readBody(req, UPLOAD_LIMIT);
        if (bytes.length === 0) throw new HttpError(400, 'empty upload');
        const file = ctx.updates.storeUpload(name, bytes);
        ctx.log.info(`upload of ${bytes.length} bytes stored in ${file}`);
        send(res, 200, 'text', 'success');
    }

    function fail(res, error, what) {
        if (error instanceof HttpError) {
            if (error.status === 499) return;
            ctx.log.warn(`${what} -> ${error.status} ${error.message}`);
            send(res, error.status, 'text', `${error.message}\n`, error.status === 413 ? { Connection: 'close' } : {});
            return;
        }
        ctx.log.error(`${what} failed: ${error.stack || error}`);
        send(res, 500, 'text', 'internal error\n');
    }

    return async function route(req, res) {
        const what = `${req.method} ${req.url}`;
        try {
            let url;
            let pathname;
            try {
                url = new URL(req.url, 'http://feed.invalid');
                pathname = decodeURIComponent(url.pathname);
            } catch {
                throw new HttpError(400, 'malformed URL');
            }
            const method = req.method === 'HEAD' ? 'GET' : req.method;
            let allowed = null;
            for (const route of routes) {
                const param = route.match(pathname);
                if (param === null || param === false) continue;
                if (!route.methods.includes(method)) {
                    allowed = allowed || route.methods;
                    continue;
                }
                await route.handle({ req, res, url, param });
                ctx.log.info(`${what} -> ${res.statusCode}`);
                return;
            }
            if (allowed) {
                res.setHeader('Allow', allowed.join(', '));
                throw new HttpError(405, `${req.method} not allowed on ${pathname}`);
            }
            throw new HttpError(404, `not found: ${pathname}`);
        } catch (error) {
            fail(res, error, what);
        }
    };
}

module.exports = { createRouter, HttpError };
