'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { MarketModel, DAY_SECONDS } = require('../lib/market');
const { INSTRUMENTS, TIME_TYPES } = require('../lib/instruments');
const { WEDNESDAY } = require('./helpers/harness');

const SATURDAY = Date.UTC(2024, 4, 18, 10, 0, 0);

// The 1-minute bars that a bar of `ttype` covers, as the model sees them at nowMs.
function minuteBarsOf(market, code, ttype, index, nowMs) {
    const start = market.timeOfIndex(ttype, index);
    const first = market.firstIndexAtOrAfter(1, start);
    return market.bars(code, 1, first, first + ttype, nowMs);
}

function aggregate(minutes) {
    return {
        time: minutes[0].time, open: minutes[0].open, close: minutes[minutes.length - 1].close,
        high: Math.max(...minutes.map((m) => m.high)), low: Math.min(...minutes.map((m) => m.low)),
        volume: minutes.reduce((sum, m) => sum + m.volume, 0),
    };
}

test('every time type is the aggregate of the minute bars it covers, the bar in progress too', () => {
    const market = new MarketModel({ seed: 7 });
    for (const { ttype } of TIME_TYPES.filter((t) => t.ttype > 1)) {
        const current = market.barCount(ttype, WEDNESDAY) - 1;
        for (const index of [current - 3, current - 1, current]) {
            const bar = market.bar('XAUUSD', ttype, index, WEDNESDAY);
            assert.deepEqual(bar, aggregate(minuteBarsOf(market, 'XAUUSD', ttype, index, WEDNESDAY)), `ttype ${ttype} #${index}`);
        }
    }
});

test('the same seed gives the same market; another seed another one', () => {
    const a = new MarketModel({ seed: 42 });
    const b = new MarketModel({ seed: 42 });
    const c = new MarketModel({ seed: 43 });
    const end = a.barCount(15, WEDNESDAY);
    // b builds the days in another order (newest first): results must not depend on it.
    const fromB = b.bars('EURUSD', 15, end - 5, end, WEDNESDAY);
    assert.deepEqual(a.bars('EURUSD', 15, end - 500, end, WEDNESDAY).slice(-5), fromB);
    assert.notDeepEqual(c.bars('EURUSD', 15, end - 5, end, WEDNESDAY), fromB);
    assert.deepEqual(a.quote('USOIL', WEDNESDAY), b.quote('USOIL', WEDNESDAY));
});

test('bars chain: each opens at the previous close, across days and weekends', () => {
    const market = new MarketModel({ seed: 3 });
    const end = market.barCount(60, WEDNESDAY);
    const bars = market.bars('GBPJPY', 60, end - 24 * 8, end, WEDNESDAY);
    for (let i = 1; i < bars.length; i++) {
        assert.equal(bars[i].open, bars[i - 1].close, `bar at ${bars[i].time}`);
        assert.ok(bars[i].low <= Math.min(bars[i].open, bars[i].close) && bars[i].high >= Math.max(bars[i].open, bars[i].close));
        assert.ok(bars[i].low > 0 && bars[i].volume > 0);
    }
});

test('the market is shut at the weekend unless told otherwise', () => {
    const closed = new MarketModel({ seed: 1 });
    const open = new MarketModel({ seed: 1, weekendClosed: false });
    assert.equal(closed.isOpen(WEDNESDAY), true);
    assert.equal(closed.isOpen(SATURDAY), false);
    assert.equal(open.isOpen(SATURDAY), true);
    // No bar starts on a Saturday or Sunday, and nothing moves over the weekend.
    const friday = closed.barCount(60, Date.UTC(2024, 4, 18, 0, 0, 0));
    assert.equal(closed.barCount(60, SATURDAY), friday);
    assert.equal(closed.barCount(60, Date.UTC(2024, 4, 19, 23, 59, 59)), friday);
    assert.deepEqual(closed.quote('EURUSD', SATURDAY), closed.quote('EURUSD', SATURDAY + 3600e3));
    const days = closed.barCount(1440, SATURDAY);
    for (const bar of closed.bars('EURUSD', 1440, days - 30, days, SATURDAY)) {
        const weekday = new Date(bar.time * 1000).getUTCDay();
        assert.ok(weekday >= 1 && weekday <= 5, `daily bar on weekday ${weekday}`);
    }
    assert.ok(open.barCount(60, SATURDAY) > open.barCount(60, Date.UTC(2024, 4, 18, 0, 0, 0)));
});

test('the bar grid maps indexes and times both ways', () => {
    const market = new MarketModel({ seed: 1 });
    for (const { ttype } of TIME_TYPES) {
        const count = market.barCount(ttype, WEDNESDAY);
        for (const index of [0, 1, count - 1, count - 700]) {
            const time = market.timeOfIndex(ttype, index);
            assert.equal(market.firstIndexAtOrAfter(ttype, time), index);
            assert.equal(market.firstIndexAtOrAfter(ttype, time + 1), index + 1);
            assert.equal(time % (ttype * 60), 0);
        }
        const last = market.timeOfIndex(ttype, count - 1);
        assert.ok(last * 1000 <= WEDNESDAY && WEDNESDAY < (last + ttype * 60) * 1000, `ttype ${ttype} bar in progress`);
    }
});

test('prices sit near real levels with the instrument\'s decimals', () => {
    const market = new MarketModel({ seed: 1688 });
    for (const instrument of INSTRUMENTS) {
        const q = market.quote(instrument.code, WEDNESDAY);
        const last = market.toPrice(instrument.code, q.last);
        assert.ok(last > instrument.price * 0.5 && last < instrument.price * 1.5, `${instrument.code} at ${last}`);
        assert.ok(q.low <= q.last && q.last <= q.high && q.low <= q.reference && q.reference <= q.high);
        // A day's range is a fraction of a percent to a few percent, like the real ones.
        const range = (q.high - q.low) / q.reference;
        assert.ok(range > instrument.dailyVol * 0.05 && range < instrument.dailyVol * 6, `${instrument.code} range ${range}`);
        const text = market.formatPips(instrument.code, q.last);
        assert.match(text, new RegExp(`^\\d+\\.\\d{${instrument.decimals}}$`));
        assert.equal(Number(text), last);
    }
});

test('the live minute walks inside its final bar and ends on it', () => {
    const market = new MarketModel({ seed: 5 });
    const minuteStart = Math.floor(WEDNESDAY / 60000) * 60000;
    const index = market.firstIndexAtOrAfter(1, minuteStart / 1000);
    const final = market.bar('NGAS', 1, index, minuteStart + 60000);
    let previous = null;
    let steps = 0;
    for (let ms = minuteStart; ms < minuteStart + 60000; ms += 250, steps++) {
        const live = market.bar('NGAS', 1, index, ms);
        assert.equal(live.open, final.open);
        assert.ok(live.high <= final.high && live.low >= final.low && live.volume <= final.volume);
        if (previous) assert.ok(live.high >= previous.high && live.low <= previous.low && live.volume >= previous.volume);
        previous = live;
    }
    assert.equal(steps, 240);
    assert.deepEqual(previous, final);
    // The quote follows the same path.
    assert.equal(market.quote('NGAS', minuteStart + 59999).last, final.close);
});
