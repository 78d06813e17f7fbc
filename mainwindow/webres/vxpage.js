/* Script of the program's local pages. Plain ES5 and old DOM calls only: the host may be an old
   embedded engine. Everything that comes from JSON or from the program is inserted as text. */
(function (window, document) {
    'use strict';

    // Kinds whose pictures are landscape stills.
    var WIDE_KINDS = { video: 1, drama: 1, searchres: 1, videorecent: 1, mv: 1, game: 1 };
    var ITEM_ARRAYS = ['list', 'albumlist', 'mvlist'];
    // Ids travel inside "key=value&key=value" text: anything else could forge a parameter.
    var SAFE_ID = /^[0-9A-Za-z_.\-]+$/;

    var grid = null, pager = null, maxItems = 0;
    var tiles = [], shown = {}, anchor = -1;
    var hintWord = '';

    function str(v) {
        return v === undefined || v === null ? '' : String(v);
    }

    function trim(s) {
        return str(s).replace(/^[\s\u3000]+|[\s\u3000]+$/g, '');
    }

    function isArray(v) {
        return Object.prototype.toString.call(v) === '[object Array]';
    }

    function toInt(v) {
        var n = parseInt(str(v), 10);
        return isNaN(n) ? 0 : n;
    }

    function make(tag, cls, text) {
        var e = document.createElement(tag);
        if (cls) e.className = cls;
        if (text !== undefined) e.appendChild(document.createTextNode(str(text)));
        return e;
    }

    function clear(e) {
        while (e.firstChild) e.removeChild(e.firstChild);
    }

    function hasClass(e, c) {
        return (' ' + (e.className || '') + ' ').indexOf(' ' + c + ' ') >= 0;
    }

    function setClass(e, c, on) {
        var has = hasClass(e, c);
        if (on && !has) e.className = trim(e.className + ' ' + c);
        else if (!on && has) e.className = trim((' ' + e.className + ' ').replace(' ' + c + ' ', ' '));
    }

    function closest(e, c, top) {
        while (e && e !== top) {
            if (e.nodeType === 1 && hasClass(e, c)) return e;
            e = e.parentNode;
        }
        return null;
    }

    function on(e, type, fn) {
        if (!e) return;
        if (e.addEventListener) e.addEventListener(type, fn, false);
        else if (e.attachEvent) e.attachEvent('on' + type, function () { return fn(window.event); });
    }

    function cancel(ev) {
        if (ev.preventDefault) ev.preventDefault();
        else ev.returnValue = false;
    }

    function target(ev) {
        return ev.target || ev.srcElement;
    }

    // The program's automation object: its methods may report typeof "unknown" and have no apply.
    function host(name, arg, withArg) {
        try {
            var ext = window.external;
            if (!ext || typeof ext[name] === 'undefined') return;
            if (withArg) ext[name](arg);
            else ext[name]();
        } catch (e) {
            // a page shown outside the program: nobody to tell
        }
    }

    function notify(act, ids, arg) {
        var text = 'ItemAct?act=' + act + '&param=' + ids.join('|');
        if (arg) text += '&arg=' + arg;
        host('NotifyVxMd', text, true);
    }

    // Exceptions stop at the entry points the program calls; the console still shows them.
    function guarded(fn) {
        return function () {
            try {
                fn.apply(this, arguments);
            } catch (e) {
                if (window.console && window.console.error) window.console.error(e);
            }
        };
    }

    function pictureUrl(pic, base) {
        pic = trim(pic);
        if (!pic) return '';
        if (/^(https?|file):/i.test(pic) || pic.substring(0, 2) === '//') return pic;
        if (/^[a-z][a-z0-9+.\-]*:/i.test(pic)) return '';  // no script or other schemes
        return str(base) + pic;
    }

    function picture(url) {
        var box = make('div', 'pic');
        if (!url) return box;
        var img = document.createElement('img');
        img.alt = '';
        img.style.display = 'none';  // the placeholder stays until the picture really arrived
        img.onload = function () { img.style.display = ''; };
        img.src = url;
        box.appendChild(img);
        return box;
    }

    function episodes(sources) {
        var box = make('div', 'eps');
        for (var i = 0; i < sources.length; i++) {
            var ep = sources[i] && str(sources[i].id);
            if (!ep || !SAFE_ID.test(ep)) continue;
            var link = make('span', 'ep', i + 1);
            link.setAttribute('data-ep', ep);
            link.setAttribute('title', '第' + (i + 1) + '集');
            box.appendChild(link);
        }
        return box;
    }

    function addTile(item, kind, base) {
        var id = str(item.id);
        var tile = make('div', WIDE_KINDS[kind] ? 'tile wide' : 'tile');
        tile.setAttribute('data-id', id);
        tile.setAttribute('title', str(item.name));
        tile.vxIndex = tiles.length;
        tile.appendChild(picture(pictureUrl(item.pic, base)));
        tile.appendChild(make('div', 'name', str(item.name)));
        tile.appendChild(make('div', 'sub', str(item.artist) || str(item.act) || str(item.duration)));
        if (isArray(item.src) && item.src.length > 1) tile.appendChild(episodes(item.src));
        grid.appendChild(tile);
        tiles.push(tile);
        shown[id] = true;
    }

    function itemsOf(page) {
        if (isArray(page)) return page;
        for (var i = 0; i < ITEM_ARRAYS.length; i++)
            if (isArray(page[ITEM_ARRAYS[i]])) return page[ITEM_ARRAYS[i]];
        return page.id !== undefined ? [page] : [];  // a single item on its own
    }

    function pageLink(label, number, cls) {
        var link = make('span', cls || 'pg', label);
        if (number >= 0) link.setAttribute('data-page', String(number));
        pager.appendChild(link);
    }

    function showPager(page) {
        var total = toInt(page.ptotal), current = toInt(page.pn), last = -1;
        if (!pager || total < 2) return;
        current = Math.max(0, Math.min(current, total - 1));
        clear(pager);
        if (current > 0) pageLink('上一页', current - 1, 'pg step');
        for (var n = 0; n < total; n++) {
            if (n !== 0 && n !== total - 1 && Math.abs(n - current) > 2) continue;
            if (n === last + 2) pageLink(String(n), n - 1);  // a gap of one page: show the page
            else if (n > last + 2) pageLink('…', -1, 'gap');
            if (n === current) pageLink(String(n + 1), -1, 'pg current');
            else pageLink(String(n + 1), n);
            last = n;
        }
        if (current < total - 1) pageLink('下一页', current + 1, 'pg step');
    }

    function addItems(jsonText, pageKind, baseImage) {
        var page, items;
        if (!grid || typeof jsonText !== 'string' || !window.JSON) return;
        try {
            page = window.JSON.parse(jsonText);
        } catch (e) {
            return;
        }
        if (!page || typeof page !== 'object') return;
        items = itemsOf(page);
        for (var i = 0; i < items.length; i++) {
            var item = items[i];
            if (maxItems && tiles.length >= maxItems) break;
            if (!item || typeof item !== 'object' || !SAFE_ID.test(str(item.id))) continue;
            if (shown[str(item.id)]) continue;  // the same answer may be sent again
            addTile(item, str(pageKind), baseImage);
        }
        showPager(page);
    }

    function selectedIds() {
        var ids = [];
        for (var i = 0; i < tiles.length; i++)
            if (tiles[i].vxSelected) ids.push(tiles[i].getAttribute('data-id'));
        return ids;
    }

    function select(tile, on) {
        tile.vxSelected = on;
        setClass(tile, 'selected', on);
    }

    function selectOnly(tile) {
        for (var i = 0; i < tiles.length; i++) select(tiles[i], tiles[i] === tile);
        anchor = tile ? tile.vxIndex : -1;
    }

    function onClick(ev) {
        var t = target(ev), tile = closest(t, 'tile', grid), ep = closest(t, 'ep', grid);
        if (ep && tile) {
            if (ev.detail > 1) return;  // the second click of a double click: already playing
            notify('DoubleClick', [tile.getAttribute('data-id')], ep.getAttribute('data-ep'));
            return;
        }
        if (!tile) {
            if (selectedIds().length) {
                selectOnly(null);
                notify('Select', []);
            }
            return;
        }
        if (ev.shiftKey && anchor >= 0) {
            var from = Math.min(anchor, tile.vxIndex), to = Math.max(anchor, tile.vxIndex);
            for (var i = 0; i < tiles.length; i++)
                if (i >= from && i <= to) select(tiles[i], true);
                else if (!ev.ctrlKey) select(tiles[i], false);
        } else if (ev.ctrlKey) {
            select(tile, !tile.vxSelected);
            anchor = tile.vxIndex;
        } else {
            selectOnly(tile);
        }
        notify('Select', selectedIds());
    }

    function onDoubleClick(ev) {
        var t = target(ev), tile = closest(t, 'tile', grid);
        if (tile && !closest(t, 'ep', grid)) notify('DoubleClick', [tile.getAttribute('data-id')]);
    }

    function onContextMenu(ev) {
        var tile = closest(target(ev), 'tile', grid);
        cancel(ev);
        if (!tile) return;
        if (!tile.vxSelected) {
            selectOnly(tile);
            notify('Select', selectedIds());
        }
        notify('RightClick', selectedIds());
    }

    function onPager(ev) {
        var link = closest(target(ev), 'pg', pager);
        if (!link || !link.getAttribute('data-page')) return;
        cancel(ev);
        host('JumpToPage', toInt(link.getAttribute('data-page')), true);
    }

    function selectAll() {
        if (!grid) return;
        for (var i = 0; i < tiles.length; i++) select(tiles[i], true);
        notify('Select', selectedIds());
    }

    function invertSelection() {
        if (!grid) return;
        for (var i = 0; i < tiles.length; i++) select(tiles[i], !tiles[i].vxSelected);
        notify('Select', selectedIds());
    }

    function setNoResult(keyword, hint) {
        var message = document.getElementById('noresult-message');
        var hintBox = document.getElementById('noresult-hint');
        var field = document.getElementById('search-word');
        if (!message) return;
        clear(message);
        message.appendChild(document.createTextNode('抱歉，没有找到与“'));
        message.appendChild(make('em', 'keyword', str(keyword)));
        message.appendChild(document.createTextNode('”相关的结果'));
        hintWord = trim(hint);
        if (hintBox) {
            clear(hintBox);
            if (hintWord) {
                hintBox.appendChild(document.createTextNode('您是不是要找：'));
                hintBox.appendChild(make('span', 'hint', hintWord));
            }
            hintBox.style.display = hintWord ? '' : 'none';
        }
        if (field) field.value = str(keyword);
    }

    function searchField() {
        var field = document.getElementById('search-word'), word = field ? trim(field.value) : '';
        if (word) host('SearchWord', word, true);
    }

    function start() {
        grid = document.getElementById('grid');
        pager = document.getElementById('pager');
        if (grid) {
            maxItems = toInt(grid.getAttribute('data-max'));
            on(grid, 'click', onClick);
            on(grid, 'dblclick', onDoubleClick);
            on(grid, 'contextmenu', onContextMenu);
            on(grid, 'selectstart', cancel);
        }
        on(pager, 'click', onPager);
        on(document.getElementById('refresh'), 'click', function () { host('RefreshErrorPage'); });
        on(document.getElementById('noresult-hint'), 'click', function (ev) {
            if (closest(target(ev), 'hint') && hintWord) host('SearchWord', hintWord, true);
        });
        on(document.getElementById('search-go'), 'click', searchField);
        on(document.getElementById('search-word'), 'keydown', function (ev) {
            if (ev.keyCode === 13) {
                cancel(ev);
                searchField();
            }
        });
    }

    window._addItems = guarded(addItems);
    window.SelectItemsAll = guarded(selectAll);
    window.SelectItemsShift = guarded(invertSelection);
    window.SetSearchNoResultParam = guarded(setNoResult);

    guarded(start)();
    // Last: the program runs its queued calls from inside StatusOK, so all must be in place.
    host('StatusOK');
})(window, document);
