'use strict';
// The news desk: writes flashes and economic-calendar items, keeps what was published for the
// history request, and turns each event into the "#"-separated record of the live stream:
//   0#HH:MM#<html text>#<key>                         new flash
//   2#HH:MM#<html text>#<key>                         changed flash (same key)
//   1#HH:MM#<title>#<previous>#<expected>#<actual>#<importance>#<country>#<key>#<currency>#<unit>#<effect>
//   3#<key>#<previous>#<expected>#<actual>            calendar values published
//   5#<key>                                           item withdrawn
// Flash keys are UTC "YYYY-MM-DD HH:MM:SS" (what the terminal shows and what it derives from a
// history item's time); calendar keys are "YYYY-MM-DD HH:MM", so the two never collide.
// No text ever contains "#", the record separator.

const { Random } = require('./random');

const MAX_STORED = 500;
const RECENT_FOR_EDIT = 10;
const HISTORY_METHOD = 'GetFlashListRequest';
const MAX_HISTORY_LIMIT = 200;

const CURRENCY_NAMES = { USD: '美元', EUR: '欧元', GBP: '英镑', JPY: '日元', CNY: '人民币', AUD: '澳元',
    CAD: '加元', CHF: '瑞郎', NZD: '纽元' };

// country, currency, title, unit, importance, typical value, spread, higher value is good news
const CALENDAR_EVENTS = [
    ['美国', 'USD', '非农就业人口变动', '万人', 5, 18, 8, true],
    ['美国', 'USD', '失业率', '%', 4, 3.9, 0.2, false],
    ['美国', 'USD', 'CPI年率', '%', 5, 3.3, 0.3, true],
    ['美国', 'USD', '核心PCE物价指数年率', '%', 4, 2.8, 0.2, true],
    ['美国', 'USD', '零售销售月率', '%', 3, 0.4, 0.4, true],
    ['美国', 'USD', 'ISM制造业PMI', '', 4, 49.5, 1.5, true],
    ['美国', 'USD', '当周初请失业金人数', '万人', 3, 22, 1.5, false],
    ['欧元区', 'EUR', 'CPI年率初值', '%', 4, 2.5, 0.3, true],
    ['欧元区', 'EUR', 'GDP季率初值', '%', 3, 0.3, 0.2, true],
    ['德国', 'EUR', 'IFO商业景气指数', '', 3, 89.5, 1, true],
    ['英国', 'GBP', 'CPI年率', '%', 4, 2.3, 0.3, true],
    ['日本', 'JPY', '全国CPI年率', '%', 3, 2.5, 0.3, true],
    ['中国', 'CNY', '官方制造业PMI', '', 4, 49.8, 0.6, true],
    ['澳大利亚', 'AUD', '失业率', '%', 3, 4.0, 0.2, false],
    ['加拿大', 'CAD', '就业人数变动', '万人', 3, 2.5, 2, true],
    ['瑞士', 'CHF', 'CPI年率', '%', 2, 1.4, 0.2, true],
    ['新西兰', 'NZD', 'GDP季率', '%', 2, 0.2, 0.3, true],
];

const MARKET_FLASHES = [
    ['XAUUSD', '现货黄金', '美元/盎司'], ['XAGUSD', '现货白银', '美元/盎司'], ['EURUSD', '欧元兑美元', ''],
    ['USDJPY', '美元兑日元', ''], ['GBPUSD', '英镑兑美元', ''], ['USOIL', '美国原油', '美元/桶'],
    ['UKOIL', '布伦特原油', '美元/桶'], ['HK50', '恒生指数', '点'], ['GER40', '德国DAX指数', '点'],
    ['NAS100', '纳斯达克100指数', '点'],
];

const PLAIN_FLASHES = [
    ['央行', () => '美联储官员：通胀回落仍需时间，现在讨论降息为时尚早。'],
    ['央行', () => '欧洲央行管委：若数据符合预期，年内可能进一步降息。'],
    ['央行', () => '日本央行行长：将继续密切关注汇率变动对经济和物价的影响。'],
    ['央行', (r) => `中国人民银行今日开展${r.int(2, 60) * 10}亿元7天期逆回购操作，中标利率持平。`],
    ['数据', (r) => `美国上周EIA原油库存${r.next() < 0.5 ? '增加' : '减少'}${r.int(50, 600)}万桶。`],
    ['能源', () => '欧佩克+消息人士：成员国倾向于在下次会议上维持当前减产安排。'],
    ['市场', (r) => `美国10年期国债收益率${r.next() < 0.5 ? '升' : '降'}至${(4 + r.next()).toFixed(3)}%。`],
    ['市场', () => '欧洲主要股指开盘涨跌不一，投资者关注本周公布的通胀数据。'],
    ['地缘', () => '中东局势仍存不确定性，避险情绪对金价形成支撑。'],
    ['外汇', (r) => `在岸人民币兑美元16:30收盘报${(7.1 + r.next() * 0.15).toFixed(4)}。`],
    ['焦点', () => '机构观点：美元短期或维持区间震荡，关注美联储主席讲话。'],
];

function pad(n) {
    return String(n).padStart(2, '0');
}

function utcParts(sec) {
    const d = new Date(sec * 1000);
    return { date: `${d.getUTCFullYear()}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())}`,
        hm: `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}`, s: pad(d.getUTCSeconds()) };
}

class NewsDesk {
    // quote(code, nowMs) -> {last: text, change: fraction} or null; lets flashes cite live prices.
    constructor({ seed = 0, quote = () => null } = {}) {
        this.random_ = new Random(`${seed}|news`);
        this.quote_ = quote;
        this.items_ = [];
        this.nextId_ = 1;
        this.lastFlashSec_ = 0;
        this.calendarKeys_ = new Set();
    }

    // Fills the history with `count` items published over the time before nowMs.
    backlog(count, nowMs) {
        const times = [];
        for (let i = 0, sec = Math.floor(nowMs / 1000); i < count; i++) {
            sec -= this.random_.int(60, 400);
            times.unshift(sec);
        }
        for (const sec of times) {
            if (this.random_.next() < 0.2) this.addCalendar(sec, sec, true);
            else this.addFlash(sec, sec * 1000);
        }
    }

    // The next live record; mostly new flashes, now and then an edit of what is on screen.
    next(nowMs) {
        const sec = Math.floor(nowMs / 1000);
        const roll = this.random_.next();
        const flashes = this.items_.filter((i) => i.kind === 'flash').slice(-RECENT_FOR_EDIT);
        const unchanged = flashes.filter((i) => !i.changed);
        const due = this.items_.filter((i) => i.kind === 'calendar' && i.actual === '' && i.when <= sec);
        if (roll < 0.1 && unchanged.length > 0) return this.changeFlash(this.random_.pick(unchanged));
        if (roll < 0.18 && flashes.length > 1) return this.removeItem(flashes[0]);
        if (roll < 0.3 && due.length > 0) return this.publishCalendar(due[0]);
        if (roll < 0.42) return this.calendarRecord(this.addCalendar(sec, this.scheduleMinute(sec), false));
        return this.flashRecord(this.addFlash(sec, nowMs));
    }

    // ---- flashes ---------------------------------------------------------------------------

    addFlash(sec, nowMs) {
        // Keys are whole seconds: two flashes never share one.
        sec = Math.max(sec, this.lastFlashSec_ + 1);
        this.lastFlashSec_ = sec;
        const id = this.nextId_++;
        const { date, hm, s } = utcParts(sec);
        const item = { kind: 'flash', id, published: sec, key: `${date} ${hm}:${s}`, hm, html: this.writeFlash(id, nowMs) };
        return this.store(item);
    }

    writeFlash(id, nowMs) {
        const r = this.random_;
        if (r.next() < 0.4) {
            const [code, name, unit] = r.pick(MARKET_FLASHES);
            const quote = this.quote_(code, nowMs);
            if (quote) {
                const pct = (quote.change * 100).toFixed(2);
                const move = quote.change > 0.001 ? '短线走高' : quote.change < -0.001 ? '短线走低' : '窄幅震荡';
                return `<b>【行情】</b>${name}${move}，现报${quote.last}${unit}，日内${quote.change >= 0 ? '涨' : '跌'}${pct.replace('-', '')}%。`;
            }
        }
        const [tag, text] = r.pick(PLAIN_FLASHES);
        if (r.next() < 0.25) return `<a href="/news/${id}" target="_blank">【${tag}】${text(r)}</a>`;
        return `<b>【${tag}】</b>${text(r)}`;
    }

    changeFlash(item) {
        item.changed = true;
        item.html = `${item.html}<b>（更新）</b>${this.random_.pick(['消息人士随后证实。', '市场反应有限。', '详情稍后更新。'])}`;
        return `2#${item.hm}#${item.html}#${item.key}`;
    }

    flashRecord(item) {
        return `0#${item.hm}#${item.html}#${item.key}`;
    }

    // ---- calendar --------------------------------------------------------------------------

    // A release minute a little ahead of now that no other calendar item uses.
    scheduleMinute(sec) {
        let minute = Math.ceil(sec / 300) * 300 + this.random_.int(0, 6) * 300;
        while (this.calendarKeys_.has(minute)) minute += 60;
        return minute;
    }

    addCalendar(published, when, released) {
        while (this.calendarKeys_.has(when - (when % 60))) when += 60;
        when -= when % 60;
        this.calendarKeys_.add(when);
        // An event already waiting for its figures is not announced twice.
        const waiting = new Set(this.items_.filter((i) => i.kind === 'calendar' && i.actual === '').map((i) => i.event));
        const free = CALENDAR_EVENTS.filter((e) => !waiting.has(e));
        const event = this.random_.pick(free.length > 0 ? free : CALENDAR_EVENTS);
        const [country, currency, title, unit, importance, typical, spread, higherIsGood] = event;
        const value = () => `${(typical + (this.random_.next() - 0.5) * 2 * spread).toFixed(1)}${unit}`;
        const { date, hm } = utcParts(when);
        const item = { kind: 'calendar', id: this.nextId_++, event, published, when, key: `${date} ${hm}`, hm,
            title: `${country}${title}`, previous: value(), expected: value(), actual: '', importance, country,
            currency, unit, higherIsGood, effect: '待公布' };
        if (released) this.release(item);
        return this.store(item);
    }

    release(item) {
        const typical = parseFloat(item.expected);
        item.actual = `${(typical + (this.random_.next() - 0.5) * Math.max(0.2, Math.abs(typical) * 0.1)).toFixed(1)}${item.unit}`;
        const surprise = parseFloat(item.actual) - typical;
        const name = CURRENCY_NAMES[item.currency];
        if (surprise === 0) item.effect = '影响较小';
        else item.effect = (surprise > 0) === item.higherIsGood ? `利多${name}` : `利空${name}`;
    }

    publishCalendar(item) {
        this.release(item);
        return `3#${item.key}#${item.previous}#${item.expected}#${item.actual}`;
    }

    calendarRecord(item) {
        return ['1', item.hm, item.title, item.previous, item.expected, item.actual, String(item.importance),
            item.country, item.key, item.currency, item.unit, item.effect].join('#');
    }

    // ---- store and history -----------------------------------------------------------------

    store(item) {
        this.items_.push(item);
        if (this.items_.length > MAX_STORED) this.forget(this.items_[0]);
        return item;
    }

    forget(item) {
        this.items_.splice(this.items_.indexOf(item), 1);
        if (item.kind === 'calendar') this.calendarKeys_.delete(item.when);
    }

    removeItem(item) {
        this.forget(item);
        return `5#${item.key}`;
    }

    // Newest first; maxTime > 0 pages back to items published before it (Unix seconds).
    history(limit, maxTime = 0) {
        const out = [];
        for (let i = this.items_.length - 1; i >= 0 && out.length < limit; i--) {
            const item = this.items_[i];
            if (maxTime > 0 && item.published >= maxTime) continue;
            const time = item.kind === 'flash' ? item.published : item.when;
            out.push({ type: item.kind === 'flash' ? 0 : 1,
                content: item.kind === 'flash' ? item.html : this.calendarRecord(item),
                timestr: new Date(time * 1000).toISOString().replace(/\.\d{3}Z$/, 'Z') });
        }
        return out;
    }

    // The news history request. Returns {status, body} for the HTTP layer.
    handleHistoryRequest(request, password, defaultLimit) {
        const fail = (status, message) => ({ status, body: { status_code: status, message } });
        if (request === null || typeof request !== 'object' || Array.isArray(request)) {
            return fail(400, 'the body must be a JSON object');
        }
        if (request.password !== password) return fail(403, 'wrong password');
        if (request.method !== HISTORY_METHOD) return fail(400, `unknown method "${request.method}"`);
        let query = request.jsonStr === undefined ? {} : request.jsonStr;
        if (typeof query === 'string') {
            try { query = JSON.parse(query); } catch { return fail(400, '"jsonStr" is not valid JSON'); }
        }
        if (query === null || typeof query !== 'object' || Array.isArray(query)) return fail(400, '"jsonStr" must be an object');
        const limit = query.limit === undefined ? defaultLimit : query.limit;
        if (!Number.isInteger(limit) || limit < 1 || limit > MAX_HISTORY_LIMIT) {
            return fail(400, `"limit" must be a whole number from 1 to ${MAX_HISTORY_LIMIT}`);
        }
        const wheres = query.wheres === undefined ? {} : query.wheres;
        const maxTime = wheres && typeof wheres === 'object' ? (wheres.MaxTime === undefined ? 0 : wheres.MaxTime) : null;
        if (!Number.isFinite(maxTime) || maxTime < 0) return fail(400, '"wheres.MaxTime" must be a number of seconds');
        return { status: 200, body: { status_code: 200, message: 'success', data: this.history(limit, maxTime) } };
    }
}

module.exports = { NewsDesk, HISTORY_METHOD };
