'use strict';
// Server-list scripts. The terminal does not run them: it scans the text for URLs with a
// pattern that keeps the scheme, a dotted host, at most "/" plus one character of path and a
// port. So every entry is a bare base URL with a numeric host, each inside its own quotes, and
// nothing else in the text looks like a URL.

function baseUrl(host, port) {
    return `http://${host}:${port}`;
}

function script(variable, comment, urls) {
    return `// ${comment}\nvar ${variable} = [${urls.map((u) => JSON.stringify(u)).join(', ')}];\n`;
}

// ports: {http, news}, the ports actually listened on.
function serverLists(host, ports) {
    const market = baseUrl(host, ports.http);
    const news = baseUrl(host, ports.news);
    return {
        // The market stream lives beside the HTTP services.
        klineSocketServerList: script('pcpServerList', 'market stream servers', [market]),
        // Both ports answer the history list; the terminal appends the history path to each.
        klineHistoryServerList: script('marketServerList', 'K-line history servers', [market, news]),
        // The terminal only checks that this list is not empty; it dials its own news address.
        newsServerList: script('newsServerList', 'news stream servers', [news]),
        // News history is posted to an entry as it stands; both ports answer it at "/".
        newsHistoryServerList: script('bridgeServerList', 'news history servers', [news, market]),
    };
}

module.exports = { baseUrl, serverLists };
