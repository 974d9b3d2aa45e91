'use strict';
// The simulated market. Every price is a pure function of (seed, instrument, time), so a bar
// served today as history, streamed live a minute ago, or served again after a restart is the
// same bar. Prices are whole "pips" (price × 10^decimals) so that aggregation is exact.
//
// Layers, each built only from the one above it:
//   day anchors   a mean-reverting walk over trading days since EPOCH_DAY (one value per day)
//   minute bars   a bridge between today's and tomorrow's anchor, 1440 minutes per trading day
//   minute steps  240 points per minute (every 250 ms) reaching exactly that minute's high/low
// A bar of any time type is the aggregate of the minute bars it covers; the bar in progress
// aggregates the minutes up to now, the current one cut at the current step.

const { Random } = require('./random');
const { findInstrument } = require('./instruments');

const DAY_SECONDS = 86400;
const MINUTES_PER_DAY = 1440;
const STEP_MS = 250;
const STEPS_PER_MINUTE = 60000 / STEP_MS;
// Monday 2001-01-01: weeks are counted from a Monday so that weekends fall on fixed weekdays.
const EPOCH_DAY = 11323;
// Pull of the daily walk towards the instrument's level; keeps decades of walk near real prices.
const MEAN_REVERSION = 0.005;
const DAY_CACHE_LIMIT = 1500;
const MINUTE_CACHE_LIMIT = 256;

// Relative volatility by UTC hour: quiet Asian morning, busy London/New York overlap.
const HOUR_ACTIVITY = [0.7, 0.7, 0.75, 0.75, 0.7, 0.7, 0.8, 1.0, 1.2, 1.25, 1.2, 1.15,
    1.35, 1.5, 1.5, 1.4, 1.2, 1.0, 0.9, 0.8, 0.7, 0.55, 0.5, 0.6];
const ACTIVITY = (() => {
    const weights = new Float64Array(MINUTES_PER_DAY);
    let sumSquares = 0;
    for (let m = 0; m < MINUTES_PER_DAY; m++) {
        weights[m] = HOUR_ACTIVITY[Math.floor(m / 60)];
        sumSquares += weights[m] * weights[m];
    }
    // Normalised so that a whole day's variance equals the instrument's daily variance.
    const norm = Math.sqrt(sumSquares / MINUTES_PER_DAY);
    for (let m = 0; m < MINUTES_PER_DAY; m++) weights[m] /= norm;
    return weights;
})();

function cachePut(cache, key, value, limit) {
    cache.set(key, value);
    if (cache.size > limit) cache.delete(cache.keys().next().value);
    return value;
}

function cacheGet(cache, key) {
    const value = cache.get(key);
    if (value !== undefined) {
        cache.delete(key);
        cache.set(key, value);
    }
    return value;
}

class MarketModel {
    constructor({ seed = 0, weekendClosed = true } = {}) {
        this.seed_ = seed >>> 0;
        this.daysPerWeek_ = weekendClosed ? 5 : 7;
        this.anchors_ = new Map();
        this.days_ = new Map();
        this.minutes_ = new Map();
    }

    // Names the data set in file names: another seed or calendar gives other prices.
    get tag() {
        return `s${this.seed_}w${this.daysPerWeek_}`;
    }

    // ---- calendar -------------------------------------------------------------------------

    // Trading-day number of a calendar day (days since 1970), or -1 when the market is shut.
    tradingDayOf(day) {
        const rel = day - EPOCH_DAY;
        if (rel < 0) return -1;
        const weekday = rel % 7;
        if (weekday >= this.daysPerWeek_) return -1;
        return Math.floor(rel / 7) * this.daysPerWeek_ + weekday;
    }

    tradingDaysBefore(day) {
        const rel = day - EPOCH_DAY;
        if (rel <= 0) return 0;
        return Math.floor(rel / 7) * this.daysPerWeek_ + Math.min(rel % 7, this.daysPerWeek_);
    }

    calendarDayOf(tradingDay) {
        return EPOCH_DAY + Math.floor(tradingDay / this.daysPerWeek_) * 7 + (tradingDay % this.daysPerWeek_);
    }

    isOpen(nowMs) {
        return this.tradingDayOf(Math.floor(nowMs / 1000 / DAY_SECONDS)) >= 0;
    }

    // ---- bar grid: bars of a time type are numbered from the first slot of EPOCH_DAY ----------

    // Number of bars whose start lies before tSec, i.e. the index of the first bar at or after it.
    firstIndexAtOrAfter(ttype, tSec) {
        const slotsPerDay = MINUTES_PER_DAY / ttype;
        const day = Math.floor(tSec / DAY_SECONDS);
        if (day < EPOCH_DAY) return 0;
        const tradingDay = this.tradingDayOf(day);
        if (tradingDay < 0) return this.tradingDaysBefore(day) * slotsPerDay;
        return tradingDay * slotsPerDay + Math.ceil((tSec - day * DAY_SECONDS) / (ttype * 60));
    }

    timeOfIndex(ttype, index) {
        const slotsPerDay = MINUTES_PER_DAY / ttype;
        const tradingDay = Math.floor(index / slotsPerDay);
        return this.calendarDayOf(tradingDay) * DAY_SECONDS + (index % slotsPerDay) * ttype * 60;
    }

    // Bars that have started by now (the last one may be in progress).
    barCount(ttype, nowMs) {
        return this.firstIndexAtOrAfter(ttype, Math.floor(nowMs / 1000) + 1);
    }

    // Bars that have ended by now.
    completeCount(ttype, nowMs) {
        return this.firstIndexAtOrAfter(ttype, Math.floor(nowMs / 1000) - ttype * 60 + 1);
    }

    // ---- prices ----------------------------------------------------------------------------

    instrument(code) {
        const instrument = findInstrument(code);
        if (!instrument) throw new Error(`unknown instrument ${code}`);
        return instrument;
    }

    // Price at the start of a trading day, in pips.
    anchorPips(code, tradingDay) {
        const instrument = this.instrument(code);
        let walk = this.anchors_.get(code);
        if (!walk) {
            walk = { logs: [Math.log(instrument.price)], random: new Random(`${this.seed_}|anchor|${code}`) };
            this.anchors_.set(code, walk);
        }
        const level = Math.log(instrument.price);
        while (walk.logs.length <= tradingDay) {
            const last = walk.logs[walk.logs.length - 1];
            walk.logs.push(last + MEAN_REVERSION * (level - last) + instrument.dailyVol * walk.random.gaussian());
        }
        return Math.max(1, Math.round(Math.exp(walk.logs[tradingDay]) * 10 ** instrument.decimals));
    }

    // The 1440 minute bars of one trading day, with running day highs and lows for quotes.
    day(code, tradingDay) {
        const key = `${code}|${tradingDay}`;
        const cached = cacheGet(this.days_, key);
        if (cached) return cached;

        const instrument = this.instrument(code);
        const from = this.anchorPips(code, tradingDay);
        const to = this.anchorPips(code, tradingDay + 1);
        const random = new Random(`${this.seed_}|day|${code}|${tradingDay}`);
        const sigma = (from * instrument.dailyVol) / Math.sqrt(MINUTES_PER_DAY);

        // Brownian bridge: free walk, then the drift removed in proportion to variance spent.
        const walk = new Float64Array(MINUTES_PER_DAY + 1);
        const spent = new Float64Array(MINUTES_PER_DAY + 1);
        for (let m = 0; m < MINUTES_PER_DAY; m++) {
            walk[m + 1] = walk[m] + sigma * ACTIVITY[m] * random.gaussian();
            spent[m + 1] = spent[m] + ACTIVITY[m] * ACTIVITY[m];
        }
        const miss = walk[MINUTES_PER_DAY] - (to - from);
        const path = new Int32Array(MINUTES_PER_DAY + 1);
        for (let m = 0; m <= MINUTES_PER_DAY; m++) {
            path[m] = Math.max(1, Math.round(from + walk[m] - (spent[m] / spent[MINUTES_PER_DAY]) * miss));
        }

        const bars = {
            open: new Int32Array(MINUTES_PER_DAY), high: new Int32Array(MINUTES_PER_DAY),
            low: new Int32Array(MINUTES_PER_DAY), close: new Int32Array(MINUTES_PER_DAY),
            volume: new Int32Array(MINUTES_PER_DAY),
            highBefore: new Int32Array(MINUTES_PER_DAY + 1), lowBefore: new Int32Array(MINUTES_PER_DAY + 1),
        };
        bars.highBefore[0] = -1;
        bars.lowBefore[0] = 0x7fffffff;
        for (let m = 0; m < MINUTES_PER_DAY; m++) {
            const open = path[m];
            const close = path[m + 1];
            const reach = sigma * ACTIVITY[m] * 0.6;
            bars.open[m] = open;
            bars.close[m] = close;
            bars.high[m] = Math.max(open, close) + Math.round(Math.abs(random.gaussian()) * reach);
            bars.low[m] = Math.max(1, Math.min(open, close) - Math.round(Math.abs(random.gaussian()) * reach));
            const busy = 1 + Math.abs(close - open) / (reach + 1);
            bars.volume[m] = Math.max(1, Math.round(instrument.volume * ACTIVITY[m] * (0.5 + random.next()) * busy));
            bars.highBefore[m + 1] = Math.max(bars.highBefore[m], bars.high[m]);
            bars.lowBefore[m + 1] = Math.min(bars.lowBefore[m], bars.low[m]);
        }
        return cachePut(this.days_, key, bars, DAY_CACHE_LIMIT);
    }

    // The 240 points of one minute: open first, close last, high and low each reached once.
    minuteSteps(code, tradingDay, minute) {
        const key = `${code}|${tradingDay}|${minute}`;
        const cached = cacheGet(this.minutes_, key);
        if (cached) return cached;

        const bars = this.day(code, tradingDay);
        const open = bars.open[minute];
        const high = bars.high[minute];
        const low = bars.low[minute];
        const close = bars.close[minute];
        const random = new Random(`${this.seed_}|minute|${code}|${tradingDay}|${minute}`);
        const last = STEPS_PER_MINUTE - 1;
        const highAt = random.int(1, last - 1);
        let lowAt = random.int(1, last - 2);
        if (lowAt >= highAt) lowAt++;
        const anchors = [[0, open], [highAt, high], [lowAt, low], [last, close]].sort((a, b) => a[0] - b[0]);

        const steps = new Int32Array(STEPS_PER_MINUTE);
        const wobble = (high - low) * 0.15;
        for (let a = 0; a + 1 < anchors.length; a++) {
            const [i0, p0] = anchors[a];
            const [i1, p1] = anchors[a + 1];
            for (let i = i0; i <= i1; i++) {
                const f = (i - i0) / (i1 - i0);
                const noise = wobble * Math.sin(Math.PI * f) * random.gaussian();
                steps[i] = Math.min(high, Math.max(low, Math.round(p0 + (p1 - p0) * f + noise)));
            }
        }
        for (const [i, p] of anchors) steps[i] = p;
        return cachePut(this.minutes_, key, steps, MINUTE_CACHE_LIMIT);
    }

    // One minute bar as seen at nowMs: whole when the minute is over, else cut at the current step.
    minuteAt(code, tradingDay, minute, nowMs) {
        const bars = this.day(code, tradingDay);
        const startMs = (this.calendarDayOf(tradingDay) * DAY_SECONDS + minute * 60) * 1000;
        const step = Math.floor((nowMs - startMs) / STEP_MS);
        if (step >= STEPS_PER_MINUTE - 1) {
            return { open: bars.open[minute], high: bars.high[minute], low: bars.low[minute],
                close: bars.close[minute], volume: bars.volume[minute] };
        }
        const steps = this.minuteSteps(code, tradingDay, minute);
        let high = steps[0];
        let low = steps[0];
        for (let i = 1; i <= step; i++) {
            if (steps[i] > high) high = steps[i];
            if (steps[i] < low) low = steps[i];
        }
        return { open: steps[0], high, low, close: steps[step],
            volume: Math.max(1, Math.round((bars.volume[minute] * (step + 1)) / STEPS_PER_MINUTE)) };
    }

    // Bar `index` of a time type as seen at nowMs (in pips), or null when it has not started.
    bar(code, ttype, index, nowMs) {
        const startSec = this.timeOfIndex(ttype, index);
        if (startSec * 1000 > nowMs) return null;
        const slotsPerDay = MINUTES_PER_DAY / ttype;
        const tradingDay = Math.floor(index / slotsPerDay);
        const first = (index % slotsPerDay) * ttype;
        const elapsed = Math.floor((nowMs - startSec * 1000) / 60000);
        const minutes = Math.min(ttype, elapsed + 1);
        const bars = this.day(code, tradingDay);

        let high = -1;
        let low = 0x7fffffff;
        let volume = 0;
        let close = 0;
        for (let m = first; m < first + minutes; m++) {
            const live = m === first + elapsed;
            const minute = live ? this.minuteAt(code, tradingDay, m, nowMs) : null;
            high = Math.max(high, live ? minute.high : bars.high[m]);
            low = Math.min(low, live ? minute.low : bars.low[m]);
            volume += live ? minute.volume : bars.volume[m];
            close = live ? minute.close : bars.close[m];
        }
        return { time: startSec, open: bars.open[first], high, low, close, volume };
    }

    bars(code, ttype, from, to, nowMs) {
        const out = [];
        for (let index = from; index < to; index++) {
            const bar = this.bar(code, ttype, index, nowMs);
            if (!bar) break;
            out.push(bar);
        }
        return out;
    }

    // Live quote in pips: reference (the day's opening, i.e. the previous close), day high and
    // low so far, last price and its time. A shut market shows its last trading day, frozen.
    quote(code, nowMs) {
        const nowSec = Math.floor(nowMs / 1000);
        const day = Math.floor(nowSec / DAY_SECONDS);
        let tradingDay = this.tradingDayOf(day);
        if (tradingDay >= 0) {
            const bars = this.day(code, tradingDay);
            const minute = Math.floor((nowSec - day * DAY_SECONDS) / 60);
            const now = this.minuteAt(code, tradingDay, minute, nowMs);
            return { reference: bars.open[0], high: Math.max(bars.highBefore[minute], now.high),
                low: Math.min(bars.lowBefore[minute], now.low), last: now.close, time: nowSec };
        }
        tradingDay = Math.max(0, this.tradingDaysBefore(day) - 1);
        const bars = this.day(code, tradingDay);
        return { reference: bars.open[0], high: bars.highBefore[MINUTES_PER_DAY],
            low: bars.lowBefore[MINUTES_PER_DAY], last: bars.close[MINUTES_PER_DAY - 1],
            time: (this.calendarDayOf(tradingDay) + 1) * DAY_SECONDS - 1 };
    }

    // ---- presentation ------------------------------------------------------------------------

    toPrice(code, pips) {
        return pips / 10 ** this.instrument(code).decimals;
    }

    // Exact decimal text of a pip count (no float rounding on the way).
    formatPips(code, pips) {
        const decimals = this.instrument(code).decimals;
        if (decimals === 0) return String(pips);
        const digits = String(pips).padStart(decimals + 1, '0');
        return `${digits.slice(0, -decimals)}.${digits.slice(-decimals)}`;
    }
}

module.exports = { MarketModel, DAY_SECONDS, STEP_MS, EPOCH_DAY };
