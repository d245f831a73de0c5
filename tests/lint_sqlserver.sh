#!/usr/bin/env bash
# Lints the SQL Server scripts with sqlfluff (T-SQL dialect).
set -euo pipefail
cd "$1"
sqlfluff lint --dialect tsql --disable-progress-bar --processes 1 *.sql
