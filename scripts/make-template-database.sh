#!/usr/bin/env bash
# Rebuilds Resources/Database.sql, the database every new installation starts
# from, out of Resources/Database/Template.sql. Run it after changing the
# template; a test checks that the two agree.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -f Resources/Database.sql
python3 - <<'PY'
import sqlite3
with open("Resources/Database/Template.sql", encoding="utf-8") as f:
    sql = f.read()
db = sqlite3.connect("Resources/Database.sql")
db.executescript(sql)
db.commit()
db.execute("VACUUM")
db.close()
PY
echo "Resources/Database.sql rebuilt"
