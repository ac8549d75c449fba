// orvel-ee's Debug Adapter Protocol server, driven through a protocol client as an
// editor drives it: the demo program first, then a second program in the same server.
'use strict';

const assert = require('assert');
const path = require('path');
const { DebugClient } = require('@vscode/debugadapter-testsupport');

const tool = path.resolve(__dirname, process.env.ORVEL_EE || '../../build/linux/tools/orvel-ee/orvel-ee');
const coverage = path.resolve(__dirname, '../data/snapshots/coverage.json');

async function rejection(promise) {
    try {
        await promise;
    } catch (error) {
        return error.message;
    }
    assert.fail('the request succeeded');
}

describe('orvel-ee dap', function () {
    let dc;
    let scopes; // by name

    before(async function () {
        dc = new DebugClient(tool, 'dap', 'orvel', {}, true);
        await dc.start();
        const stopped = dc.waitForEvent('stopped');
        await Promise.all([dc.configurationSequence(), dc.launch({})]);
        assert.strictEqual((await stopped).body.reason, 'entry');
    });

    after(() => dc.stopAdapter());

    it('shows one thread stopped in the routine of the stop', async function () {
        const threads = await dc.threadsRequest();
        assert.deepStrictEqual(threads.body.threads.map((t) => t.id), [1]);
        const trace = await dc.stackTraceRequest({ threadId: 1 });
        assert.deepStrictEqual(trace.body.stackFrames.map((f) => f.name), ['DIFFUSE']);
    });

    it('gives the locals, arguments and program views as scopes', async function () {
        const response = await dc.scopesRequest({ frameId: 1 });
        scopes = Object.fromEntries(response.body.scopes.map((s) => [s.name, s]));
        assert.deepStrictEqual(Object.keys(scopes), ['Locals', 'Arguments', 'Program']);
        assert.strictEqual(scopes.Locals.presentationHint, 'locals');
        assert.strictEqual(scopes.Arguments.presentationHint, 'arguments');
        for (const scope of Object.values(scopes)) assert.ok(scope.variablesReference > 0);
    });

    it('lists the locals as variables, arrays with their element count', async function () {
        const response = await dc.variablesRequest({ variablesReference: scopes.Locals.variablesReference });
        const byName = Object.fromEntries(response.body.variables.map((v) => [v.name, v]));
        const cases = [
            // name, value, type, expandable, elements
            ['N', '8', 'INTEGER*4', false, undefined],
            ['TITLE', "'Copper rod A'", 'CHARACTER*12', false, undefined],
            ['U', 'REAL*8 (8)', 'REAL*8 (8)', true, 8],
            ['SENSOR', 'TYPE(PROBE)', 'TYPE(PROBE)', true, undefined],
            ['HISTORY', 'REAL*4 (1000000)', 'REAL*4 (1000000)', true, 1000000],
        ];
        for (const [name, value, type, expandable, elements] of cases) {
            const v = byName[name];
            assert.ok(v, name);
            assert.deepStrictEqual([v.value, v.type, v.variablesReference > 0, v.indexedVariables],
                [value, type, expandable, elements], name);
            assert.strictEqual(v.evaluateName, name);
        }
    });

    it('pages through a large array by start and count', async function () {
        const locals = await dc.variablesRequest({ variablesReference: scopes.Locals.variablesReference });
        const history = locals.body.variables.find((v) => v.name === 'HISTORY');
        const cases = [
            // start, count, first name, rows
            [0, 3, '(1)', 3],
            [999900, 100, '(999901)', 100],
            [999998, 10, '(999999)', 2],
            [1000000, 10, undefined, 0],
        ];
        for (const [start, count, first, rows] of cases) {
            const page = await dc.variablesRequest({ variablesReference: history.variablesReference, start, count });
            const names = page.body.variables.map((v) => v.name);
            assert.deepStrictEqual([names[0], names.length], [first, rows], `start ${start}`);
        }
        const named = await dc.variablesRequest({ variablesReference: history.variablesReference, filter: 'named' });
        assert.deepStrictEqual(named.body.variables, [], 'an array has no named rows');
        const page = await dc.variablesRequest({ variablesReference: history.variablesReference, start: 999999, count: 1 });
        assert.strictEqual(page.body.variables[0].evaluateName, 'HISTORY(1000000)');
    });

    it('evaluates watches, showing an error row as an error outside the console', async function () {
        const cases = [
            // expression, context, result (null: the request fails with error)
            ['U(3) * 2 + N', 'watch', '54', null],
            ['MESH%NX', 'hover', '64', null],
            ['NOSUCH', 'watch', null, 'Unknown FORTRAN variable'],
            ['NOSUCH', 'hover', null, 'Unknown FORTRAN variable'],
            ['NOSUCH', 'repl', 'Unknown FORTRAN variable', null],
        ];
        for (const [expression, context, result, error] of cases) {
            const request = dc.evaluateRequest({ expression, context, frameId: 1 });
            if (error) assert.strictEqual(await rejection(request), error, expression);
            else assert.strictEqual((await request).body.result, result, expression);
        }
        const array = await dc.evaluateRequest({ expression: 'U', context: 'watch', frameId: 1 });
        assert.deepStrictEqual([array.body.variablesReference > 0, array.body.indexedVariables], [true, 8]);
    });

    it('sets an argument and answers the value read back', async function () {
        const args = scopes.Arguments.variablesReference;
        const set = await dc.setVariableRequest({ variablesReference: args, name: 'N', value: '5' });
        assert.strictEqual(set.body.value, '5');
        const listed = await dc.variablesRequest({ variablesReference: args });
        const n = listed.body.variables.find((v) => v.name === 'N');
        assert.deepStrictEqual([n.value, n.evaluateName], ['5', 'N']);
        assert.match(await rejection(dc.setVariableRequest({ variablesReference: args, name: 'NOPE', value: '1' })),
            /no variable 'NOPE'/);
        // A Fortran variable's row evaluates the text and keeps nothing: the answer is the
        // element as it is, found by its expression rather than among a million rows.
        const history = await dc.evaluateRequest({ expression: 'HISTORY', context: 'watch' });
        const cases = [
            ['(1000000)', 'HISTORY(1000000)'],
            ['(2)', 'HISTORY(2)'],
        ];
        for (const [name, expression] of cases) {
            const now = await dc.evaluateRequest({ expression, context: 'watch' });
            const element = await dc.setVariableRequest({ variablesReference: history.body.variablesReference, name, value: '1' });
            assert.deepStrictEqual([element.body.value, element.body.type], [now.body.result, 'REAL*4'], name);
        }
    });

    it('refuses what it cannot do and keeps serving', async function () {
        const cases = [
            [() => dc.customRequest('noSuchCommand', {}), "unknown command 'noSuchCommand'"],
            [() => dc.nextRequest({ threadId: 1 }), 'a snapshot does not run'],
            [() => dc.continueRequest({ threadId: 1 }), 'a snapshot does not run'],
            [() => dc.variablesRequest({ variablesReference: 999999 }), 'no variables of reference 999999'],
            [() => dc.variablesRequest({ variablesReference: 'x' }), /'variablesReference' is needed/],
            [() => dc.launchRequest({ snapshot: '/no/such/snapshot.json' }), /cannot load the snapshot/],
        ];
        for (const [request, message] of cases) {
            const said = await rejection(request());
            if (message instanceof RegExp) assert.match(said, message);
            else assert.strictEqual(said, message);
        }
        // The failed launch left no program, and the server still answers.
        assert.strictEqual((await dc.threadsRequest()).body.threads.length, 0);
        assert.strictEqual(await rejection(dc.stackTraceRequest({ threadId: 1 })), 'no snapshot is launched');
    });

    it('launches a second program in the same server', async function () {
        await dc.launchRequest({ snapshot: coverage });
        const trace = await dc.stackTraceRequest({ threadId: 1 });
        assert.deepStrictEqual(trace.body.stackFrames.map((f) => f.name), ['WORK']);
        const response = await dc.scopesRequest({ frameId: 1 });
        const locals = response.body.scopes.find((s) => s.name === 'Locals');
        const rows = await dc.variablesRequest({ variablesReference: locals.variablesReference });
        const a = rows.body.variables.find((v) => v.name === 'A');
        assert.deepStrictEqual([a.type, a.indexedVariables], ['REAL*8 (3,0:2)', 9]);
    });

    // Last: under the sanitizers a leak or a fault at the end shows in the exit status.
    it('exits with status 0 after disconnect', async function () {
        const exited = new Promise((resolve) => dc._adapterProcess.on('exit', (code) => resolve(code)));
        await dc.disconnectRequest();
        assert.strictEqual(await exited, 0);
    });
});
