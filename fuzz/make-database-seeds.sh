#!/bin/sh
# Regenerates the seed tables of the fuzz_database harness: tables made by keysound-db itself
# (init, init --seed), and from one of them, with the sqlite3 shell (Debian package sqlite3), what
# keysound-db never makes but a table from elsewhere may hold. Needs a build (build/app/keysound-db,
# or KEYSOUND_DB).
set -eu
cd "$(dirname "$0")/.."
db=${KEYSOUND_DB:-build/app/keysound-db}
out=fuzz/corpus/database
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*

printf 'a\ta.mp3\nB\tb.mp3\n好\t好.mp3\nÉ\tfolder\\\\e.mp3\n' > "$work/seed.tsv"
"$db" init "$out/empty.mdb" >/dev/null
"$db" init --seed "$work/seed.tsv" "$out/four-keys.mdb" >/dev/null

# made NAME SQL: a copy of four-keys.mdb changed by SQL.
made() {
  cp "$out/four-keys.mdb" "$out/$1"
  sqlite3 -batch "$out/$1" "$2" >/dev/null
}
made many-pages.mdb "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200)
  INSERT INTO Config SELECT 'k' || i, 'f' || i || '.mp3' FROM n;"
made further-columns.mdb "CREATE TABLE Plain (键位 TEXT, 文件名 TEXT, n INTEGER, r REAL, b BLOB);
  INSERT INTO Plain VALUES ('a', NULL, 7, 0.5, x'00ff'), (NULL, 'n.mp3', NULL, NULL, NULL);
  DROP TABLE Config; ALTER TABLE Plain RENAME TO Config;"
made expression-index.mdb "CREATE INDEX Config_fold ON Config (lower(文件名)) WHERE 键位 IS NOT NULL;"
made view.mdb "ALTER TABLE Config RENAME TO Real; CREATE VIEW Config AS SELECT * FROM Real;"
made trigger.mdb "CREATE TABLE log (x);
  CREATE TRIGGER t AFTER INSERT ON Config BEGIN INSERT INTO log VALUES (new.键位); END;"
made wal.mdb "PRAGMA journal_mode = WAL; INSERT INTO Config VALUES ('w', 'w.mp3');"
made long-value.mdb "INSERT INTO Config VALUES ('long', printf('%.*c', 9000, 'x'));"
ls -l "$out"
