// node mdb_reader_check.mjs NODE_DIR DB EXPECTED.jsonl: reads DB with
// mdb-reader. EXPECTED's first line describes the database, each further
// line is one row as a JSON array (null for NULL); with "rowCount" only the
// count and the rows given are checked. Prints "ok" or the differences.
import { readFileSync } from "fs";
import { pathToFileURL } from "url";

const [nodeDir, dbPath, expectedPath] = process.argv.slice(2);
const { default: MDBReader } = await import(
  pathToFileURL(`${nodeDir}/node_modules/mdb-reader/lib/node/index.js`).href);

const lines = readFileSync(expectedPath, "utf8").split("\n").filter((l) => l.length > 0);
const expected = JSON.parse(lines[0]);
const problems = [];
const same = (what, got, want) => {
  if (JSON.stringify(got) !== JSON.stringify(want)) {
    problems.push(`${what}: got ${JSON.stringify(got)}, expected ${JSON.stringify(want)}`);
  }
};

const reader = new MDBReader(readFileSync(dbPath));
same("tables", reader.getTableNames(), expected.tables);
same("system tables", reader.getTableNames({ normalTables: false, systemTables: true }),
     ["MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"]);
same("password", reader.getPassword(), null);

if (expected.table) {
  const table = reader.getTable(expected.table);
  const count = expected.rowCount ?? lines.length - 1;
  same("row count", table.rowCount, count);
  const columns = table.getColumns();
  same("columns", columns.map((c) => [c.name, c.type, c.size, c.fixedLength, c.nullable]),
       expected.columns.map((c) => [c.name, "text", c.size, false, true]));
  const names = columns.map((c) => c.name);
  const rows = table.getData();
  same("rows read", rows.length, count);
  for (let i = 0; i < rows.length && i + 1 < lines.length && problems.length < 20; ++i) {
    same(`row ${i + 1}`, names.map((n) => rows[i][n]), JSON.parse(lines[i + 1]));
  }
}

if (problems.length > 0) {
  console.log(problems.join("\n"));
  process.exit(1);
}
console.log("ok");
