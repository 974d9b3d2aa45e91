// Test peer for the update download: serves one archive file in ways the feed never answers.
// Started as "node archive_server.js <file> <mode>"; prints "PORT <port>" first and then, for every
// request, "RANGE <Range header or ->". Exits when stdin closes.
//
//   ignore-range  the first answer is a 200 cut off after 40 % of the file; every later one is the whole
//                 file as 200, whatever Range asked for
//   short         the file without its last 100 bytes, chunked (no Content-Length), ended cleanly
'use strict';

const fs = require('fs');
const http = require('http');

const [file, mode] = process.argv.slice(2);
const archive = fs.readFileSync(file);
let requests = 0;

const server = http.createServer((req, res) => {
    console.log(`RANGE ${req.headers.range || '-'}`);
    requests += 1;
    if (mode === 'short') {
        res.writeHead(200, { 'Content-Type': 'application/octet-stream' });
        res.end(archive.subarray(0, archive.length - 100));
    } else if (requests === 1) {
        res.writeHead(200, { 'Content-Type': 'application/octet-stream', 'Content-Length': archive.length });
        res.write(archive.subarray(0, Math.floor(archive.length * 0.4)), () => res.destroy());
    } else {
        res.writeHead(200, { 'Content-Type': 'application/octet-stream', 'Content-Length': archive.length });
        res.end(archive);
    }
});
server.listen(0, '127.0.0.1', () => console.log(`PORT ${server.address().port}`));
process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
