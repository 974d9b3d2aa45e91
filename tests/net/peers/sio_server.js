// A Socket.IO peer for the net tests and the benchmark.
//   node sio_server.js <1|09|2> [pingInterval ms] [pingTimeout ms]
// 1: socket.io 1.7.4, 09: socket.io 0.9.19, 2: socket.io 2.x. For 0.9 the two times are the heartbeat
// interval and the heartbeat time-out, in ms as well (0.9 counts whole seconds; they are rounded up).
// Prints "PORT <n>" once listening on 127.0.0.1 (port 0: a free one), then one line per thing the
// server saw: "CONNECT <ns>", "EVENT <ns> <name> <json args>", "DISCONNECT <ns> <reason>".
// On both namespaces "/" and "/news":
//   connection    emits "welcome" {"ns":<ns>} (and on "/news" a "flash" with the text "0#headline")
//   "echo" x      emits "echo" x back
//   "setKlineSubscription" x, ack   acknowledges with x
//   "kick"        disconnects the client from the server side
//   "push" n      emits n events "tick" [i,1.2345] as fast as the socket takes them
'use strict';
const http = require('http');

const generation = process.argv[2] || '1';
const pingInterval = parseInt(process.argv[3] || '25000', 10);
const pingTimeout = parseInt(process.argv[4] || '60000', 10);

const server = http.createServer();
let io;
if (generation === '09') {
    io = require('socketio09').listen(server, { log: false });
    io.set('transports', ['websocket', 'xhr-polling']);
    io.set('heartbeat interval', Math.max(1, Math.ceil(pingInterval / 1000)));
    io.set('heartbeat timeout', Math.max(1, Math.ceil(pingTimeout / 1000)));
} else if (generation === '2') {
    io = require('socketio2')(server, { pingInterval, pingTimeout });
} else {
    io = require('socket.io')(server, { pingInterval, pingTimeout });
}

function serve(namespace, name) {
    namespace.on('connection', (socket) => {
        console.log('CONNECT ' + name);
        socket.emit('welcome', { ns: name });
        if (name === '/news') socket.emit('flash', '0#headline');
        socket.on('echo', (data) => {
            console.log('EVENT ' + name + ' echo ' + JSON.stringify(data));
            socket.emit('echo', data);
        });
        socket.on('setKlineSubscription', (data, ack) => {
            console.log('EVENT ' + name + ' setKlineSubscription ' + JSON.stringify(data));
            if (typeof ack === 'function') ack(data);
        });
        socket.on('kick', () => {
            console.log('EVENT ' + name + ' kick');
            socket.disconnect();
        });
        socket.on('push', (count) => {
            let sent = 0;
            const batch = () => {
                const end = Math.min(count, sent + 1000);
                for (; sent < end; ++sent) socket.emit('tick', [sent, 1.2345]);
                if (sent < count) setImmediate(batch);
            };
            batch();
        });
        socket.on('disconnect', (reason) => console.log('DISCONNECT ' + name + ' ' + (reason || '')));
    });
}

serve(io.sockets, '/');
serve(io.of('/news'), '/news');

server.listen(0, '127.0.0.1', () => console.log('PORT ' + server.address().port));

process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
