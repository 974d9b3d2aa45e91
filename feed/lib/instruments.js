'use strict';
// The instruments of the simulated market and the instrument list document built from them.
// Prices, decimals and daily volatility are set near real levels so charts look familiar.

// The nine bar lengths in minutes, in the terminal's order, with their display names.
const TIME_TYPES = [
    { ttype: 1, name: '1分钟' },
    { ttype: 5, name: '5分钟' },
    { ttype: 15, name: '15分钟' },
    { ttype: 30, name: '30分钟' },
    { ttype: 60, name: '1小时' },
    { ttype: 240, name: '4小时' },
    { ttype: 360, name: '6小时' },
    { ttype: 720, name: '12小时' },
    { ttype: 1440, name: '日线' },
];

const LISTS = [
    { name: '外汇', listid: '1' },
    { name: '贵金属', listid: '2' },
    { name: '能源', listid: '3' },
    { name: '股指', listid: '4' },
];

// price: level the walk reverts to; decimals: quote precision; dailyVol: one-day standard
// deviation as a fraction of price; volume: typical ticks per minute at the busiest hours.
const INSTRUMENTS = [
    ['外汇', '直盘', 'EURUSD', '欧元美元', 1.085, 5, 0.005, 900],
    ['外汇', '直盘', 'GBPUSD', '英镑美元', 1.27, 5, 0.006, 700],
    ['外汇', '直盘', 'USDJPY', '美元日元', 151.5, 3, 0.006, 800],
    ['外汇', '直盘', 'AUDUSD', '澳元美元', 0.655, 5, 0.007, 500],
    ['外汇', '直盘', 'USDCHF', '美元瑞郎', 0.905, 5, 0.005, 400],
    ['外汇', '直盘', 'USDCAD', '美元加元', 1.365, 5, 0.004, 450],
    ['外汇', '直盘', 'NZDUSD', '纽元美元', 0.605, 5, 0.007, 300],
    ['外汇', '交叉盘', 'AUDJPY', '澳元日元', 99.2, 3, 0.008, 350],
    ['外汇', '交叉盘', 'AUDNZD', '澳元纽元', 1.083, 5, 0.004, 200],
    ['外汇', '交叉盘', 'EURAUD', '欧元澳元', 1.655, 5, 0.006, 300],
    ['外汇', '交叉盘', 'EURCAD', '欧元加元', 1.48, 5, 0.005, 250],
    ['外汇', '交叉盘', 'EURCHF', '欧元瑞郎', 0.98, 5, 0.004, 250],
    ['外汇', '交叉盘', 'EURGBP', '欧元英镑', 0.855, 5, 0.003, 300],
    ['外汇', '交叉盘', 'EURJPY', '欧元日元', 164.3, 3, 0.006, 400],
    ['外汇', '交叉盘', 'EURNZD', '欧元纽元', 1.79, 5, 0.006, 200],
    ['外汇', '交叉盘', 'GBPCHF', '英镑瑞郎', 1.15, 5, 0.005, 200],
    ['外汇', '交叉盘', 'GBPJPY', '英镑日元', 192.4, 3, 0.007, 450],
    ['外汇', '美元指数', 'USDX', '美元指数', 104.5, 3, 0.004, 300],
    ['贵金属', '现货', 'XAUUSD', '现货黄金', 2350, 2, 0.01, 1200],
    ['贵金属', '现货', 'XAGUSD', '现货白银', 28.5, 3, 0.018, 600],
    ['贵金属', '现货', 'XPTUSD', '现货铂金', 980, 2, 0.015, 150],
    ['贵金属', '现货', 'XPDUSD', '现货钯金', 1000, 2, 0.02, 100],
    ['能源', '原油', 'USOIL', '美国原油', 78.5, 2, 0.02, 800],
    ['能源', '原油', 'UKOIL', '布伦特原油', 82.8, 2, 0.018, 600],
    ['能源', '天然气', 'NGAS', '天然气', 2.25, 3, 0.035, 300],
    ['股指', '美股', 'US30', '道琼斯指数', 39000, 1, 0.008, 500],
    ['股指', '美股', 'SPX500', '标普500指数', 5200, 1, 0.009, 700],
    ['股指', '美股', 'NAS100', '纳斯达克100指数', 18200, 1, 0.012, 700],
    ['股指', '欧股', 'GER40', '德国DAX指数', 18300, 1, 0.009, 400],
    ['股指', '欧股', 'UK100', '英国富时100指数', 8200, 1, 0.007, 300],
    ['股指', '亚太', 'HK50', '恒生指数', 18500, 1, 0.013, 400],
    ['股指', '亚太', 'JPN225', '日经225指数', 38500, 1, 0.012, 400],
].map(([list, category, code, name, price, decimals, dailyVol, volume], index) =>
    Object.freeze({ list, category, code, name, price, decimals, dailyVol, volume, index }));

const BY_CODE = new Map(INSTRUMENTS.map((instrument) => [instrument.code, instrument]));
const TTYPES = new Set(TIME_TYPES.map((t) => t.ttype));

function findInstrument(code) {
    return typeof code === 'string' ? BY_CODE.get(code) : undefined;
}

function isTimeType(ttype) {
    return TTYPES.has(ttype);
}

// The instrument list document: "ttype" and "listid" are texts, as the terminal reads them.
function stockListDocument() {
    const list = {};
    for (const { name, listid } of LISTS) {
        list[name] = INSTRUMENTS.filter((i) => i.list === name).map((i) => ({
            name: i.name, code: i.code, category: i.category, listid,
        }));
    }
    return {
        result: 1,
        timeTypeList: TIME_TYPES.map((t) => ({ name: t.name, ttype: String(t.ttype) })),
        nameList: LISTS.map((l) => l.name),
        list,
    };
}

module.exports = { TIME_TYPES, INSTRUMENTS, findInstrument, isTimeType, stockListDocument };
