// A plain WebSocket peer for the net tests, on the `ws` package.
// Prints "PORT <n>" once listening on 127.0.0.1 (port 0: the system picks a free one).
// Every text message is echoed back, except these commands:
//   "frames"        answers with a JSON array of every frame the client sent so far, as seen on the wire:
//                   {"fin":bool,"opcode":n,"length":n}
//   "fragment"      answers with one message sent as several fragments
//   "burst <n>"     answers with n messages "burst-<i>"
//   "close"         closes the connection from the server side
// A connection to the path "/slow" is accepted only after 300 ms.
// "node ws_server.js tls" serves wss with the self-signed certificate tls_cert.pem (made once with
// openssl req -x509 -newkey rsa:2048 -nodes -days 36500 -subj /CN=127.0.0.1), which no client trusts.
'use strict';
const fs = require('fs');
const https = require('https');
const path = require('path');
const { WebSocketServer } = require('ws');

// Reads client frame headers from the raw TCP stream (client frames are always masked).
function frameRecorder(socket, frames) {
    let buffer = Buffer.alloc(0);
    socket.on('data', (chunk) => {
        buffer = Buffer.concat([buffer, chunk]);
        for (;;) {
            if (buffer.length < 2) return;
            const fin = (buffer[0] & 0x80) !== 0;
            const opcode = buffer[0] & 0x0f;
            let length = buffer[1] & 0x7f;
            let offset = 2;
            if (length === 126) {
                if (buffer.length < 4) return;
                length = buffer.readUInt16BE(2);
                offset = 4;
            } else if (length === 127) {
                if (buffer.length < 10) return;
                length = Number(buffer.readBigUInt64BE(2));
                offset = 10;
            }
            if (buffer[1] & 0x80) offset += 4;
            if (buffer.length < offset + length) return;
            frames.push({ fin, opcode, length });
            buffer = buffer.subarray(offset + length);
        }
    });
}

function verifyClient(info, accept) {
    if (info.req.url === '/slow') {
        setTimeout(() => accept(true), 300);
    } else {
        accept(true);
    }
}

let server;
if (process.argv[2] === 'tls') {
    const httpsServer = https.createServer({
        cert: fs.readFileSync(path.join(__dirname, 'tls_cert.pem')),
        key: fs.readFileSync(path.join(__dirname, 'tls_key.pem')),
    });
    server = new WebSocketServer({ server: httpsServer, verifyClient });
    httpsServer.on('tlsClientError', (error) => console.log('TLS REFUSED ' + error.code));
    httpsServer.listen(0, '127.0.0.1', () => console.log('PORT ' + httpsServer.address().port));
} else {
    server = new WebSocketServer({ host: '127.0.0.1', port: 0, verifyClient }, () => {
        console.log('PORT ' + server.address().port);
    });
}

server.on('connection', (ws, request) => {
    const frames = [];
    frameRecorder(request.socket, frames);
    console.log('CONNECTED ' + request.url + ' protocol=' + (ws.protocol || ''));
    ws.on('message', (data, isBinary) => {
        const text = isBinary ? null : data.toString();
        if (text === 'frames') {
            ws.send(JSON.stringify(frames));
        } else if (text === 'fragment') {
            ws.send('alpha-', { fin: false });
            ws.send('beta-', { fin: false });
            ws.send('gamma', { fin: true });
        } else if (text !== null && text.startsWith('burst ')) {
            const count = parseInt(text.substring(6), 10);
            for (let i = 0; i < count; ++i) ws.send('burst-' + i);
        } else if (text === 'close') {
            ws.close(1000, 'bye');
        } else {
            ws.send(data, { binary: isBinary });
        }
    });
    ws.on('close', () => console.log('DISCONNECTED'));
});

process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
