// Test peer for CCHttpClient and the HTTP helpers over it: an HTTP server on 127.0.0.1 with a few behaviours,
// plus an HTTPS server with the same routes whose certificate is self-signed (http_server_cert.pem, a
// throw-away test key), so a client that checks certificates must refuse it. Started with no arguments;
// listens on free ports and prints "<http port> <https port>" as the first line of stdout. Exits when stdin
// closes, so it never outlives the test that started it.
//
//   GET  /hello                 200 "hello"
//   GET  /text?body=TEXT        200 with TEXT as the body
//   ANY  /echo                  200 "<method>\n<X-Zento-Test header>\n<Content-Type header>\n<body>"
//                               and echoes X-Zento-Test back as the response header X-Echo
//   GET  /status/<code>         that status, body "status <code>"
//   GET  /redirect/<n>          302 to /redirect/<n-1>, /redirect/0 redirects to /hello
//   GET  /silent                reads the request and never answers
//   GET  /big?size=S&chunks=C&delay=MS
//                               S bytes (byte i is i % 251) in C chunks, MS milliseconds apart
'use strict';

const fs = require('fs');
const http = require('http');
const https = require('https');
const path = require('path');

const sockets = new Set();

function sendBig(res, url) {
    const size = Math.max(0, parseInt(url.searchParams.get('size') || '0', 10));
    const chunks = Math.max(1, parseInt(url.searchParams.get('chunks') || '1', 10));
    const delay = Math.max(0, parseInt(url.searchParams.get('delay') || '0', 10));
    const body = Buffer.alloc(size);
    for (let i = 0; i < size; i++) body[i] = i % 251;
    res.writeHead(200, { 'Content-Type': 'application/octet-stream', 'Content-Length': size });
    const chunkSize = Math.ceil(size / chunks);
    let offset = 0;
    const next = () => {
        if (res.destroyed) return;
        if (offset >= size) {
            res.end();
            return;
        }
        const end = Math.min(size, offset + chunkSize);
        res.write(body.subarray(offset, end));
        offset = end;
        setTimeout(next, delay);
    };
    next();
}

function handle(req, res) {
    const url = new URL(req.url, 'http://127.0.0.1');
    const parts = url.pathname.split('/').filter((p) => p.length > 0);
    const received = [];
    req.on('data', (chunk) => received.push(chunk));
    req.on('end', () => {
        const body = Buffer.concat(received);
        if (url.pathname === '/hello') {
            res.writeHead(200, { 'Content-Type': 'text/plain' });
            res.end('hello');
        } else if (url.pathname === '/text') {
            res.writeHead(200, {'Content-Type': 'text/plain; charset=utf-8'});
            res.end(url.searchParams.get('body') || '');
        } else if (url.pathname === '/echo') {
            const marker = req.headers['x-zento-test'] || '';
            res.writeHead(200, { 'Content-Type': 'text/plain', 'X-Echo': marker });
            const head = `${req.method}\n${marker}\n${req.headers['content-type'] || ''}\n`;
            res.end(Buffer.concat([Buffer.from(head), body]));
        } else if (parts[0] === 'status' && parts.length === 2) {
            const code = parseInt(parts[1], 10);
            res.writeHead(code, { 'Content-Type': 'text/plain' });
            res.end(`status ${code}`);
        } else if (parts[0] === 'redirect' && parts.length === 2) {
            const n = parseInt(parts[1], 10);
            res.writeHead(302, { Location: n > 0 ? `/redirect/${n - 1}` : '/hello' });
            res.end('moved');
        } else if (url.pathname === '/silent') {
            // Keep the connection open and say nothing.
        } else if (url.pathname === '/big') {
            sendBig(res, url);
        } else {
            res.writeHead(404, { 'Content-Type': 'text/plain' });
            res.end('no such path');
        }
    });
}

const server = http.createServer(handle);
const secureServer = https.createServer(
    {
        key: fs.readFileSync(path.join(__dirname, 'http_server_key.pem')),
        cert: fs.readFileSync(path.join(__dirname, 'http_server_cert.pem')),
    },
    handle);

for (const s of [server, secureServer]) {
    s.on('connection', (socket) => {
        sockets.add(socket);
        socket.on('close', () => sockets.delete(socket));
    });
}

function shutdown() {
    for (const socket of sockets) socket.destroy();
    server.close();
    secureServer.close();
    setTimeout(() => process.exit(0), 200).unref();
}

process.stdin.on('end', shutdown);
process.stdin.on('error', shutdown);
process.stdin.resume();
process.on('SIGTERM', shutdown);

server.listen(0, '127.0.0.1', () => {
    secureServer.listen(0, '127.0.0.1', () => {
        process.stdout.write(`${server.address().port} ${secureServer.address().port}\n`);
    });
});
