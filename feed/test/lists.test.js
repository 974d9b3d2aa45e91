'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { startFeed, request } = require('./helpers/harness');

// The terminal's URL extraction, in JavaScript's regex dialect ([[:alpha:]] is [A-Za-z]).
const URL_PATTERN = /[A-Za-z]*http(s)?:\/\/([\w-]+\.)+[\w-]+(\/[\w\-./?%&=*])?(:\d{1,5})?[A-Za-z]*/g;

function extractUrls(body) {
    return body.match(URL_PATTERN) || [];
}

const DEFAULT_FX_SYMBOLS = ['AUDJPY', 'AUDNZD', 'AUDUSD', 'EURAUD', 'EURCAD', 'EURCHF', 'EURGBP', 'EURJPY',
    'EURNZD', 'EURUSD', 'GBPCHF', 'GBPJPY'];

test('server lists yield, through the terminal\'s URL pattern, the base URLs of the right servers', async () => {
    const t = await startFeed();
    try {
        const get = async (name) => {
            const response = await request('GET', `${t.http}${t.options.endpoints[name].path}`);
            assert.equal(response.status, 200);
            return extractUrls(response.body.toString('utf8'));
        };
        assert.deepEqual(await get('klineSocketServerList'), [t.http]);
        assert.deepEqual(await get('klineHistoryServerList'), [t.http, t.news]);
        assert.deepEqual(await get('newsServerList'), [t.news]);
        assert.deepEqual(await get('newsHistoryServerList'), [t.news, t.http]);
        // What the terminal then builds from them must reach the service.
        for (const base of await get('klineHistoryServerList')) {
            assert.equal((await request('GET', `${base}/history.php`)).status, 405, 'POST-only, but there');
        }
        for (const base of await get('newsHistoryServerList')) {
            const answer = await request('POST', base, '{}');
            assert.equal(answer.status, 403, 'news history answers at the bare entry');
        }
    } finally {
        await t.stop();
    }
});

test('instrument list has the terminal\'s document shape and the expected instruments', async () => {
    const t = await startFeed();
    try {
        const response = await request('GET', `${t.http}/stocklist`);
        assert.equal(response.status, 200);
        assert.match(response.headers.get('content-type'), /^application\/json/);
        const doc = JSON.parse(response.body.toString('utf8'));
        assert.equal(doc.result, 1);
        assert.deepEqual(doc.timeTypeList.map((t) => t.ttype), ['1', '5', '15', '30', '60', '240', '360', '720', '1440']);
        for (const entry of doc.timeTypeList) assert.ok(entry.name.length > 0);
        assert.ok(doc.nameList.length >= 3);
        const codes = [];
        for (const listName of doc.nameList) {
            assert.ok(Array.isArray(doc.list[listName]), listName);
            for (const item of doc.list[listName]) {
                for (const member of ['name', 'code', 'category', 'listid']) assert.equal(typeof item[member], 'string');
                assert.match(item.listid, /^\d+$/);
                assert.match(item.name, /[\u4e00-\u9fff]/, 'Chinese display name');
                codes.push(item.code);
            }
        }
        assert.equal(new Set(codes).size, codes.length, 'each code listed once');
        for (const code of [...DEFAULT_FX_SYMBOLS, 'XAUUSD', 'XAGUSD', 'USOIL', 'UKOIL']) assert.ok(codes.includes(code), code);
        assert.ok(codes.length > 16);
    } finally {
        await t.stop();
    }
});
