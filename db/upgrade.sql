-- What this program needs in the main database beyond the tables and columns it shares with
-- an existing installation (main.sql). Run it on such a database before the program's first
-- start, and again after every update of the program; it may run any number of times. It
-- adds tables, rows, indexes and keys and never changes a stored value.
-- The program checks at start-up that all of it is there (src/core/SchemaCheck.cpp).
--
--   mariadb -h HOST -P PORT -u USER -p DATABASE < db/upgrade.sql

-- One row that every save of an issue, reservation or stock count writes before it checks its
-- document numbers: such saves wait for each other here (on a cluster, two writes of the row
-- conflict at commit and one of them is retried), so no number is stored twice.
CREATE TABLE IF NOT EXISTS DocNumberLock (
  ID     INT NOT NULL,
  SAVES  BIGINT NOT NULL DEFAULT 0,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
INSERT IGNORE INTO DocNumberLock (ID, SAVES) VALUES (1, 0);

-- The open lots of the receipts, read from the index alone (the lot lists of the editors).
CREATE INDEX IF NOT EXISTS WaybillContOpenLot ON WaybillCont (WAYBILLID, QUANTITY, QTYOUT, CATID, COLOR, PRICE);

-- The material of a line that still holds something (QTYOUT is set on receipt lines only),
-- NULL on every other line, and its index: the stock list of the main window and the issue
-- editor's lot list start from the open lots alone, however long the history of used-up lots
-- grows. The column is computed by the server and invisible: "select *" and inserts without
-- a column list see the table as before, and no stored value changes.
ALTER TABLE WaybillCont ADD COLUMN IF NOT EXISTS
  OPENCAT INT AS (IF(QUANTITY-QTYOUT>0.0000005, CATID, NULL)) PERSISTENT INVISIBLE;
CREATE INDEX IF NOT EXISTS WaybillContOpen ON WaybillCont (OPENCAT, COLOR, WAYBILLID, PRICE);

-- The materials of a supplier in the order the receipt editor's picker lists them.
CREATE INDEX IF NOT EXISTS CatalogSupplierGroup ON Catalog (SUPPLIER, CATGROUP, SUBGROUP, NAME);

-- One row per material that every posting and reversal, the material deletion and the
-- colour-flag changes write before anything else of the material: two of them that touch one
-- material wait for each other, and on a cluster the second write of the row aborts at commit
-- and its transaction is retried. The rows are made as materials are first posted.
CREATE TABLE IF NOT EXISTS CatalogLock (
  CATID  INT NOT NULL,
  SAVES  BIGINT NOT NULL DEFAULT 0,
  PRIMARY KEY (CATID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
