// Test peer for the HTTP helpers: a plain HTTP server on a free 127.0.0.1 port. Prints the port as
// the first line of stdout and exits when stdin closes, so it never outlives the test that started it.
//
//   GET  /text?body=TEXT     200 with TEXT as the body
//   GET  /status/<code>      that status, body "status <code>"
//   ANY  /echo               200 "<method>\n<Content-Type header>\n<body>"
//   GET  /download?size=N    N bytes, byte i being i % 251
'use strict';

const http = require('http');

function handle(req, res) {
    const url = new URL(req.url, 'http://127.0.0.1');
    const parts = url.pathname.split('/').filter((p) => p.length > 0);
    const received = [];
    req.on('data', (chunk) => received.push(chunk));
    req.on('end', () => {
        const body = Buffer.concat(received);
        if (url.pathname === '/text') {
            res.writeHead(200, { 'Content-Type': 'text/plain; charset=utf-8' });
            res.end(url.searchParams.get('body') || '');
        } else if (parts[0] === 'status' && parts.length === 2) {
            const code = parseInt(parts[1], 10);
            res.writeHead(code, { 'Content-Type': 'text/plain' });
            res.end(`status ${code}`);
        } else if (url.pathname === '/echo') {
            res.writeHead(200, { 'Content-Type': 'application/octet-stream' });
            const head = `${req.method}\n${req.headers['content-type'] || ''}\n`;
            res.end(Buffer.concat([Buffer.from(head), body]));
        } else if (url.pathname === '/download') {
            const size = Math.max(0, parseInt(url.searchParams.get('size') || '0', 10));
            const data = Buffer.alloc(size);
            for (let i = 0; i < size; i++) data[i] = i % 251;
            res.writeHead(200, { 'Content-Type': 'application/octet-stream', 'Content-Length': size });
            res.end(data);
        } else {
            res.writeHead(404, { 'Content-Type': 'text/plain' });
            res.end('no such path');
        }
    });
}

const server = http.createServer(handle);
server.listen(0, '127.0.0.1', () => {
    process.stdout.write(`${server.address().port}\n`);
});
process.stdin.on('end', () => process.exit(0));
process.stdin.on('close', () => process.exit(0));
process.stdin.resume();
