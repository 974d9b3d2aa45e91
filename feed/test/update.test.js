'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { startFeed, request } = require('./helpers/harness');

test('version file: defaults, the served archive, and overrides from the data folder', async () => {
    const t = await startFeed();
    try {
        let doc = JSON.parse((await request('GET', `${t.http}/Brevanix/ver.file`)).body);
        assert.deepEqual(doc, { ...t.options.update, fileSize: 0, resurl: `${t.http}/Brevanix/update.zip` });
        assert.equal(doc.ver, 245, 'no update offered by default');

        const archive = Buffer.from('PK\u0003\u0004 not really a zip, but bytes to serve');
        fs.writeFileSync(path.join(t.dataDir, 'update', 'update.zip'), archive);
        fs.writeFileSync(path.join(t.dataDir, 'update', 'Brevanix.x'), 'updater bytes');
        fs.writeFileSync(path.join(t.dataDir, 'update', 'ver.json'), JSON.stringify({ ver: 246, force: true, msg: ['a', 'b'] }));
        doc = JSON.parse((await request('GET', `${t.http}/Brevanix/ver.file`)).body);
        assert.equal(doc.ver, 246);
        assert.equal(doc.force, true);
        assert.deepEqual(doc.msg, ['a', 'b']);
        assert.equal(doc.fileSize, archive.length);
        assert.equal(doc.sha256, require('crypto').createHash('sha256').update(archive).digest('hex'));
        const download = await request('GET', doc.resurl);
        assert.equal(download.status, 200);
        assert.deepEqual(download.body, archive);
        assert.equal((await request('GET', `${t.http}/Brevanix/Brevanix.x`)).body.toString(), 'updater bytes');

        // A broken override is logged and ignored.
        fs.writeFileSync(path.join(t.dataDir, 'update', 'ver.json'), '{"ver":');
        doc = JSON.parse((await request('GET', `${t.http}/Brevanix/ver.file`)).body);
        assert.equal(doc.ver, 245);
        assert.ok(t.log.lines.some((l) => /warn update: .*ver\.json does not parse/.test(l)));

        for (const name of ['missing.zip', '..%2F..%2Fetc%2Fpasswd', '.hidden', 'ver.json']) {
            assert.equal((await request('GET', `${t.http}/Brevanix/${name}`)).status, 404, name);
        }
    } finally {
        await t.stop();
    }
});

test('update files resume with Range, and the test options cut and slow them', async () => {
    const archive = Buffer.from(Array.from({ length: 1000 }, (_, i) => i % 251));
    const t = await startFeed({ cutDownloadsAfter: 40 });
    try {
        fs.writeFileSync(path.join(t.dataDir, 'update', 'update.zip'), archive);
        fs.writeFileSync(path.join(t.dataDir, 'update', 'ver.json'), JSON.stringify({ sha256: 'ab'.repeat(32) }));
        assert.equal(JSON.parse((await request('GET', `${t.http}/Brevanix/ver.file`)).body).sha256, 'ab'.repeat(32),
            'a configured sha256 is served as it is');
        const url = `${t.http}/Brevanix/update.zip`;
        // Each answer breaks off after 40 % of the file; the Range requests put it together again.
        await assert.rejects(request('GET', url));
        const ranged = await new Promise((resolve, reject) => {
            require('http').get(url, { headers: { Range: 'bytes=400-' } }, (res) => {
                const chunks = [];
                res.on('data', (c) => chunks.push(c));
                res.on('error', () => resolve({ res, body: Buffer.concat(chunks) }));
                res.on('aborted', () => resolve({ res, body: Buffer.concat(chunks) }));
                res.on('end', () => resolve({ res, body: Buffer.concat(chunks) }));
            }).on('error', reject);
        });
        assert.equal(ranged.res.statusCode, 206);
        assert.equal(ranged.res.headers['content-range'], 'bytes 400-999/1000');
        assert.deepEqual(ranged.body, archive.subarray(400, 800));
        assert.ok(t.log.lines.some((l) => /update: update\.zip cut after 400 bytes/.test(l)));
    } finally {
        await t.stop();
    }
    const whole = await startFeed({ throttleDownloads: 1e6 });
    try {
        fs.writeFileSync(path.join(whole.dataDir, 'update', 'update.zip'), archive);
        const url = `${whole.http}/Brevanix/update.zip`;
        const tail = await request('GET', url, undefined, { Range: 'bytes=990-' });
        assert.equal(tail.status, 206);
        assert.deepEqual(tail.body, archive.subarray(990));
        const past = await request('GET', url, undefined, { Range: 'bytes=1000-' });
        assert.equal(past.status, 416);
        assert.equal(past.headers.get('content-range'), 'bytes */1000');
        assert.deepEqual((await request('GET', url)).body, archive);
    } finally {
        await whole.stop();
    }
});

test('reports and uploads are stored under the data folder and answered "success"', async () => {
    const t = await startFeed();
    try {
        const sysInfo = '{"disPlayCard":["llvmpipe"],"sysVer":"Debian","phymem":"8589MB","virmem":"140737MB",'
            + '"ip":"127.0.0.1","mac":"00:11:22:33:44:55","cpu":"x","platform":"zento_linux"}';
        const json = { 'Content-Type': 'application/json; charset=utf-8' };
        for (const [route, kind, body] of [['/installation', 'installation', sysInfo],
            ['/startover', 'startover', '{"platform":"zento_linux"}']]) {
            const answer = await request('POST', `${t.http}${route}`, body, json);
            assert.equal(answer.status, 200);
            assert.equal(answer.body.toString(), 'success');
            const dir = path.join(t.dataDir, 'reports', kind);
            const files = fs.readdirSync(dir);
            assert.equal(files.length, 1);
            assert.equal(fs.readFileSync(path.join(dir, files[0]), 'utf8'), body);
        }

        const dump = Buffer.from([0x4d, 0x44, 0x4d, 0x50, 0, 1, 2, 255]);
        for (let i = 0; i < 2; i++) {
            const answer = await request('POST', `${t.http}/down/?fileName=zento_1234_5678.dmp`, dump);
            assert.equal(answer.body.toString(), 'success');
        }
        // A second upload of the same name keeps the first one.
        assert.deepEqual(fs.readdirSync(path.join(t.dataDir, 'uploads')).sort(), ['zento_1234_5678.dmp', 'zento_1234_5678.dmp.1']);
        assert.deepEqual(fs.readFileSync(path.join(t.dataDir, 'uploads', 'zento_1234_5678.dmp')), dump);
        // The terminal percent-encodes the name.
        assert.equal((await request('POST', `${t.http}/down/?fileName=Debug%20Info.txt`, 'log')).body.toString(), 'success');
        assert.equal(fs.readFileSync(path.join(t.dataDir, 'uploads', 'Debug Info.txt'), 'utf8'), 'log');
        assert.equal((await request('POST', `${t.http}/down?fileName=DebugInfo.txt`, 'log')).body.toString(), 'success');
        assert.equal((await request('POST', `${t.http}/down/?fileName=zento%201%262%2B3.dmp`, 'x')).body.toString(), 'success');
        assert.equal(fs.readFileSync(path.join(t.dataDir, 'uploads', 'zento 1&2+3.dmp'), 'utf8'), 'x');

        const refused = [
            ['POST', '/down/?fileName=..%2Fescape', 'x', 400],
            ['POST', '/down/?fileName=', 'x', 400],
            ['POST', '/down/', 'x', 400],
            ['POST', '/down/?fileName=empty.dmp', '', 400],
            ['POST', '/installation', 'not json', 400, json],
            ['POST', '/startover', '{"platform":"zento_linux"}', 415],
            ['POST', '/startover', '"a string"', 400, json],
            ['GET', '/installation', undefined, 405],
            ['GET', '/no/such/thing', undefined, 404],
            ['DELETE', '/stocklist', undefined, 405],
            ['GET', '/%E0%A4%A', undefined, 400],
        ];
        for (const [method, route, body, status, headers] of refused) {
            const answer = await request(method, `${t.http}${route}`, body, headers);
            assert.equal(answer.status, status, `${method} ${route}`);
            assert.ok(answer.body.length > 0, 'says why');
        }
        assert.ok(!fs.existsSync(path.join(t.dataDir, 'escape')));
        assert.deepEqual(fs.readdirSync(path.join(t.dataDir, 'uploads')).filter((n) => n.startsWith('.')), []);
    } finally {
        await t.stop();
    }
});
