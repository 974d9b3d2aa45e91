'use strict';
// The MD5 signature of a history list request: symbol, time type, end time, cut count and
// request time, each in decimal, followed by the shared salt, as 32 lower-case hex digits.

const crypto = require('crypto');

function historySignature({ sym, ttype, etime, cutCount, time }, salt) {
    return crypto.createHash('md5').update(`${sym}${ttype}${etime}${cutCount}${time}${salt}`, 'utf8').digest('hex');
}

function checkHistorySignature(request, salt) {
    if (typeof request.key !== 'string' || !/^[0-9a-f]{32}$/.test(request.key)) return false;
    const expected = Buffer.from(historySignature(request, salt), 'ascii');
    return crypto.timingSafeEqual(expected, Buffer.from(request.key, 'ascii'));
}

module.exports = { historySignature, checkHistorySignature };
