'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { startFeed, request, postJson, signedListRequest, csvRows } = require('./helpers/harness');

const CSV_LINE = /^\d+,\d+\.\d{5},\d+\.\d{5},\d+\.\d{5},\d+\.\d{5},\d+$/;

// Walks the history back from the week history's first bar, as the terminal does when the user
// keeps scrolling: list request with etime = earliest bar, files in list order, repeat.
async function walkHistory(t, sym, ttype) {
    const salt = t.options.historySalt;
    const week = csvRows((await request('GET', `${t.http}/aweek/${sym}/${ttype}`)).body);
    const files = [];
    let earliest = Number(week[0][0]);
    for (let round = 0; round < 50; round++) {
        const list = await postJson(`${t.http}/history.php`,
            signedListRequest(sym, ttype, earliest, Math.floor(t.clock.ms / 1000), salt, 3));
        assert.equal(list.status, 200);
        assert.equal(list.json.result, 1);
        if (list.json.list.length === 0) return { week, files };
        for (const url of list.json.list) {
            const file = await request('GET', url);
            assert.equal(file.status, 200, url);
            const rows = csvRows(file.body);
            files.push({ url, rows });
            earliest = Number(rows[0][0]);
        }
    }
    throw new Error('history never ended');
}

test('week history is a gzip CSV of recent bars ending with the bar in progress', async () => {
    const t = await startFeed();
    try {
        const response = await request('GET', `${t.http}/aweek/EURUSD/15`);
        assert.equal(response.status, 200);
        assert.equal(response.headers.get('content-type'), 'application/gzip');
        assert.equal(response.headers.get('content-encoding'), null);
        const text = require('zlib').gunzipSync(response.body).toString('utf8');
        const lines = text.trimEnd().split('\n');
        for (const line of lines) assert.match(line, CSV_LINE);
        const times = lines.map((l) => Number(l.split(',')[0]));
        for (let i = 1; i < times.length; i++) assert.ok(times[i] > times[i - 1], 'ascending');
        assert.ok(lines.length >= t.options.weekMinBars);
        assert.ok(times[0] <= t.clock.ms / 1000 - 7 * 86400, 'a week or more');
        const market = t.feed.market;
        assert.equal(market.firstIndexAtOrAfter(15, times[0]) % t.options.barsPerFile, 0, 'starts on a file boundary');
        assert.equal(times.at(-1), Math.floor(t.clock.ms / 1000 / 900) * 900);
        const live = market.bar('EURUSD', 15, market.barCount(15, t.clock.ms) - 1, t.clock.ms);
        assert.equal(Number(lines.at(-1).split(',')[4]), market.toPrice('EURUSD', live.close));
    } finally {
        await t.stop();
    }
});

test('history files continue the week history back to the history depth without gap or overlap', async () => {
    for (const [ttype, days] of [[60, 60], [1440, 1200]]) {
        const t = await startFeed({ historyDays: days });
        try {
            const { week, files } = await walkHistory(t, 'EURUSD', ttype);
            assert.ok(files.length >= 2, `${files.length} files for ${ttype}`);
            const market = t.feed.market;
            // Newest file first: each file must end right before the bars already held.
            let next = market.firstIndexAtOrAfter(ttype, Number(week[0][0]));
            for (const [i, file] of files.entries()) {
                const indexes = file.rows.map((r) => market.firstIndexAtOrAfter(ttype, Number(r[0])));
                indexes.forEach((index, k) => assert.equal(index, indexes[0] + k, `${file.url} is contiguous`));
                assert.equal(indexes.at(-1) + 1, next, `${file.url} ends where the newer data starts`);
                assert.equal(Number(file.rows.at(-1)[4]), Number(i === 0 ? week[0][1] : files[i - 1].rows[0][1]),
                    'close of the last bar is the open of the next');
                next = indexes[0];
                if (i < files.length - 1) assert.equal(file.rows.length, t.options.barsPerFile);
            }
            assert.ok(files.at(-1).rows.length < t.options.barsPerFile, 'oldest file is short');
            const depth = (Math.floor(t.clock.ms / 86400e3) - days) * 86400;
            const oldest = Number(files.at(-1).rows[0][0]);
            assert.ok(oldest >= depth && oldest < depth + 4 * 86400, `history reaches back ${days} days (${oldest})`);
        } finally {
            await t.stop();
        }
    }
});

test('file URLs are stable and a name always serves the same bytes', async () => {
    const t = await startFeed();
    try {
        const ask = async () => (await postJson(`${t.http}/history.php`, signedListRequest('XAUUSD', 5,
            Math.floor(t.clock.ms / 1000) - 3 * 86400, Math.floor(t.clock.ms / 1000), t.options.historySalt, 4))).json.list;
        const first = await ask();
        assert.equal(first.length, 4);
        for (const url of first) assert.match(url, new RegExp(`^${t.http}/hfiles/XAUUSD_5_s\\d+w5_\\d+_200\\.gz$`));
        const body = (await request('GET', first[0])).body;
        t.clock.ms += 3600e3;
        assert.deepEqual(await ask(), first);
        assert.deepEqual((await request('GET', first[0])).body, body);
        // A file whose bars are not all over yet, or of another data set, does not exist.
        const future = first[0].replace(/_(\d+)_200\.gz$/, (m, start) => `_${Number(start) + 1e6}_200.gz`);
        assert.equal((await request('GET', future)).status, 404);
        assert.equal((await request('GET', first[0].replace(/_s\d+w5_/, '_s999w5_'))).status, 404);
        assert.equal((await request('GET', `${t.http}/hfiles/..%2F..%2Fetc%2Fpasswd`)).status, 404);
    } finally {
        await t.stop();
    }
});

test('the list request is checked: signature, members, symbol, time type', async () => {
    const t = await startFeed();
    try {
        const now = Math.floor(t.clock.ms / 1000);
        const good = signedListRequest('USOIL', 60, now - 10 * 86400, now, t.options.historySalt);
        const ok = await postJson(`${t.http}/history.php`, good);
        assert.equal(ok.status, 200);
        assert.equal(ok.json.result, 1);
        assert.ok(ok.json.list.length > 0);

        for (const bad of [{ ...good, key: good.key.replace(/^./, (c) => (c === '0' ? '1' : '0')) },
            { ...good, etime: good.etime + 1 }, { ...good, key: good.key.toUpperCase() }]) {
            const refused = await postJson(`${t.http}/history.php`, bad);
            assert.deepEqual([refused.status, refused.json], [200, { result: 0 }]);
        }
        // Anything older than the history depth: an empty list, not an error.
        const ancient = signedListRequest('USOIL', 60, now - 5000 * 86400, now, t.options.historySalt);
        assert.deepEqual((await postJson(`${t.http}/history.php`, ancient)).json, { result: 1, list: [] });

        const malformed = ['not json', '[]', JSON.stringify({ ...good, ttype: 60.5 }), JSON.stringify({ ...good, sym: 5 }),
            JSON.stringify({ ...good, key: undefined }), ''];
        for (const body of malformed) {
            const answer = await request('POST', `${t.http}/history.php`, body);
            assert.equal(answer.status, 400, body);
            assert.match(JSON.parse(answer.body).error, /\w/);
        }
        const unknown = await postJson(`${t.http}/history.php`, signedListRequest('NOPE', 60, now, now, t.options.historySalt));
        assert.equal(unknown.status, 404);
        const badType = await postJson(`${t.http}/history.php`, signedListRequest('USOIL', 7, now, now, t.options.historySalt));
        assert.equal(badType.status, 404);
        assert.equal((await request('GET', `${t.http}/history.php`)).status, 405);
        assert.equal((await request('GET', `${t.http}/aweek/NOPE/15`)).status, 404);
        assert.equal((await request('GET', `${t.http}/aweek/EURUSD/7`)).status, 404);
        assert.equal((await request('GET', `${t.http}/aweek/EURUSD`)).status, 400);
        assert.ok(t.log.lines.some((l) => l.startsWith('warn history list refused')));
    } finally {
        await t.stop();
    }
});
