-- What this program needs in the main database beyond the tables and columns it shares with
-- an existing installation (main.sql). Run it on such a database before the program's first
-- start, and again after every update of the program; it may run any number of times. It
-- adds tables, rows, indexes, keys, and the procedures and triggers that keep two of those
-- tables, and never changes a stored value.
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

-- The open lots of the receipts, kept per material and colour, and the stock rows that have
-- them: the main window's stock list and the issue editor's lot list read these instead of
-- grouping every open lot of the store at each opening. Triggers keep both in the transaction
-- of every write of the lines, documents, stock rows, materials and groups, whoever writes
-- them; the end of this script makes them agree with the stored data (and so fills them the
-- first time).
--
-- OpenLots: one row per material and colour with at least one open lot of a receipt: how many
-- such lots, and the place of the oldest of them (the receipt's date above the line's ID, as
-- the issue editor orders its rows).
CREATE TABLE IF NOT EXISTS OpenLots (
  CATID   INT NOT NULL,
  COLOR   INT NOT NULL,
  LOTS    INT NOT NULL,
  OLDEST  BIGINT NOT NULL,
  PRIMARY KEY (CATID, COLOR),
  KEY OpenLotsOldest (OLDEST)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- OpenStock: one row per stock row (QTYID = CatalogQty.ID) whose material and colour is in
-- OpenLots, with what the stock list orders and filters by: the stock row's quantity, the
-- material's group, subgroup, name, comments, profile system and measure (NULL when the
-- material is gone) and its subgroup's minimum (NULL when the subgroup has no row). Its index
-- holds the rows in the list's order; the quantity, which every posting changes, stays out of
-- it (the critical list reads the table and sorts its few rows).
CREATE TABLE IF NOT EXISTS OpenStock (
  QTYID     INT NOT NULL,
  CATID     INT NOT NULL,
  COLOR     INT NOT NULL,
  QUANTITY  DOUBLE NOT NULL,
  CATGROUP  INT,
  SUBGROUP  INT,
  NAME      VARCHAR(50),
  COMMENTS  VARCHAR(80),
  SYSTEMID  INT,
  MEASURE   INT,
  MINVALUE  INT,
  PRIMARY KEY (QTYID),
  KEY OpenStockOrder (CATGROUP, SUBGROUP, NAME, CATID, COLOR, QTYID),
  KEY OpenStockMaterial (CATID, COLOR)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Both tables as the stored data gives them: filled on the first run (before the triggers
-- below exist, so at the speed of one statement), left as they are by a later run while they
-- agree with the data.
INSERT INTO OpenLots (CATID, COLOR, LOTS, OLDEST)
  SELECT w.OPENCAT, w.COLOR, count(*), min(coalesce(w1.BDATE+0,-1)*4294967296+w.ID+2147483648)
  FROM WaybillCont w JOIN Waybill w1 ON w1.ID=w.WAYBILLID
  WHERE w.OPENCAT IS NOT NULL AND w1.ISOUT=0 GROUP BY w.OPENCAT, w.COLOR
  ON DUPLICATE KEY UPDATE LOTS=VALUES(LOTS), OLDEST=VALUES(OLDEST);
DELETE FROM OpenLots WHERE NOT EXISTS (
  SELECT 1 FROM WaybillCont w JOIN Waybill w1 ON w1.ID=w.WAYBILLID
  WHERE w.OPENCAT=OpenLots.CATID AND w.COLOR=OpenLots.COLOR AND w1.ISOUT=0);
INSERT INTO OpenStock (QTYID, CATID, COLOR, QUANTITY, CATGROUP, SUBGROUP, NAME, COMMENTS, SYSTEMID, MEASURE, MINVALUE)
  SELECT c1.ID, c1.CATID, c1.COLOR, c1.QUANTITY, c.CATGROUP, c.SUBGROUP, c.NAME, c.COMMENTS, c.SYSTEMID, c.MEASURE,
         c2.MINVALUE
  FROM OpenLots o JOIN CatalogQty c1 ON c1.CATID=o.CATID AND c1.COLOR=o.COLOR
  LEFT JOIN Catalog c ON c.ID=c1.CATID LEFT JOIN CatGroups c2 ON (c.CATGROUP=c2.ID AND c.SUBGROUP=c2.SUBID)
  ON DUPLICATE KEY UPDATE CATID=VALUES(CATID), COLOR=VALUES(COLOR), QUANTITY=VALUES(QUANTITY),
    CATGROUP=VALUES(CATGROUP), SUBGROUP=VALUES(SUBGROUP), NAME=VALUES(NAME), COMMENTS=VALUES(COMMENTS),
    SYSTEMID=VALUES(SYSTEMID), MEASURE=VALUES(MEASURE), MINVALUE=VALUES(MINVALUE);
DELETE FROM OpenStock WHERE NOT EXISTS (
  SELECT 1 FROM OpenLots o JOIN CatalogQty c1 ON c1.CATID=o.CATID AND c1.COLOR=o.COLOR
  WHERE c1.ID=OpenStock.QTYID AND c1.CATID=OpenStock.CATID AND c1.COLOR=OpenStock.COLOR);

DELIMITER //

-- The OpenLots row of a material and colour, counted again from its lots. The reads of these
-- procedures and triggers lock what they read: they see what is committed now (and the
-- transaction's own writes), not the transaction's first view of the data.
CREATE OR REPLACE PROCEDURE OpenLotsRecount(IN pCat INT, IN pColor INT)
BEGIN
  DECLARE n INT;
  DECLARE oldest BIGINT;
  SELECT count(*), min(coalesce(w1.BDATE+0,-1)*4294967296+w.ID+2147483648) INTO n, oldest
    FROM WaybillCont w JOIN Waybill w1 ON w1.ID=w.WAYBILLID
    WHERE w.OPENCAT=pCat AND w.COLOR=pColor AND w1.ISOUT=0 LOCK IN SHARE MODE;
  IF n > 0 THEN
    INSERT INTO OpenLots (CATID, COLOR, LOTS, OLDEST) VALUES (pCat, pColor, n, oldest)
      ON DUPLICATE KEY UPDATE LOTS=n, OLDEST=oldest;
  ELSE
    DELETE FROM OpenLots WHERE CATID=pCat AND COLOR=pColor;
  END IF;
END//

-- The OpenLots rows of the materials and colours of a document's open-looking lines.
CREATE OR REPLACE PROCEDURE OpenLotsRecountDocument(IN pDoc INT)
BEGIN
  DECLARE done INT DEFAULT 0;
  DECLARE vCat, vColor INT;
  DECLARE pairs CURSOR FOR
    SELECT DISTINCT OPENCAT, COLOR FROM WaybillCont WHERE WAYBILLID=pDoc AND OPENCAT IS NOT NULL LOCK IN SHARE MODE;
  DECLARE CONTINUE HANDLER FOR NOT FOUND SET done=1;
  OPEN pairs;
  next_pair: LOOP
    FETCH pairs INTO vCat, vColor;
    IF done THEN LEAVE next_pair; END IF;
    CALL OpenLotsRecount(vCat, vColor);
  END LOOP;
  CLOSE pairs;
END//

-- The OpenStock rows of a material and colour: those of its stock rows while it has an open
-- lot, none otherwise.
CREATE OR REPLACE PROCEDURE OpenStockPair(IN pCat INT, IN pColor INT)
BEGIN
  IF EXISTS (SELECT 1 FROM OpenLots WHERE CATID=pCat AND COLOR=pColor LOCK IN SHARE MODE) THEN
    INSERT INTO OpenStock (QTYID, CATID, COLOR, QUANTITY, CATGROUP, SUBGROUP, NAME, COMMENTS, SYSTEMID, MEASURE,
                           MINVALUE)
      SELECT c1.ID, c1.CATID, c1.COLOR, c1.QUANTITY, c.CATGROUP, c.SUBGROUP, c.NAME, c.COMMENTS, c.SYSTEMID,
             c.MEASURE, c2.MINVALUE
      FROM CatalogQty c1 LEFT JOIN Catalog c ON c.ID=c1.CATID
      LEFT JOIN CatGroups c2 ON (c.CATGROUP=c2.ID AND c.SUBGROUP=c2.SUBID)
      WHERE c1.CATID=pCat AND c1.COLOR=pColor
      ON DUPLICATE KEY UPDATE CATID=VALUES(CATID), COLOR=VALUES(COLOR), QUANTITY=VALUES(QUANTITY),
        CATGROUP=VALUES(CATGROUP), SUBGROUP=VALUES(SUBGROUP), NAME=VALUES(NAME), COMMENTS=VALUES(COMMENTS),
        SYSTEMID=VALUES(SYSTEMID), MEASURE=VALUES(MEASURE), MINVALUE=VALUES(MINVALUE);
  ELSE
    DELETE FROM OpenStock WHERE CATID=pCat AND COLOR=pColor;
  END IF;
END//

-- The material's columns of its OpenStock rows.
CREATE OR REPLACE PROCEDURE OpenStockMaterial(IN pCat INT)
BEGIN
  UPDATE OpenStock s LEFT JOIN Catalog c ON c.ID=s.CATID
    LEFT JOIN CatGroups c2 ON (c.CATGROUP=c2.ID AND c.SUBGROUP=c2.SUBID)
    SET s.CATGROUP=c.CATGROUP, s.SUBGROUP=c.SUBGROUP, s.NAME=c.NAME, s.COMMENTS=c.COMMENTS,
        s.SYSTEMID=c.SYSTEMID, s.MEASURE=c.MEASURE, s.MINVALUE=c2.MINVALUE
    WHERE s.CATID=pCat;
END//

-- The minimum of a subgroup in its OpenStock rows.
CREATE OR REPLACE PROCEDURE OpenStockGroup(IN pGroup INT, IN pSub INT)
BEGIN
  UPDATE OpenStock s LEFT JOIN CatGroups c2 ON (c2.ID=pGroup AND c2.SUBID=pSub)
    SET s.MINVALUE=c2.MINVALUE WHERE s.CATGROUP=pGroup AND s.SUBGROUP=pSub;
END//

-- A line counts when it looks open (OPENCAT is set) and its document is a receipt.
-- A new line adds one lot at most: its pair is not counted again.
CREATE OR REPLACE TRIGGER WaybillContOpenInsert AFTER INSERT ON WaybillCont FOR EACH ROW
  IF NEW.OPENCAT IS NOT NULL THEN
    INSERT INTO OpenLots (CATID, COLOR, LOTS, OLDEST)
      SELECT NEW.OPENCAT, NEW.COLOR, 1, coalesce(w1.BDATE+0,-1)*4294967296+NEW.ID+2147483648
      FROM Waybill w1 WHERE w1.ID=NEW.WAYBILLID AND w1.ISOUT=0
      ON DUPLICATE KEY UPDATE LOTS=LOTS+1, OLDEST=LEAST(OLDEST, VALUES(OLDEST));
  END IF//
-- A lot that only opens or closes (its issued or received quantity changed) while the writing
-- session has set @OpenLotsLater to 1 is left to that session: the trigger adds its material and
-- colour to @OpenLotsLaterPairs ("CATID,COLOR;..."), and the session counts those pairs again,
-- all in one statement, before it ends the statement's transaction (the program's postings
-- that open or close more than a few lots do, so that they pay for one count and not one per
-- lot).
CREATE OR REPLACE TRIGGER WaybillContOpenUpdate AFTER UPDATE ON WaybillCont FOR EACH ROW
  IF NOT (OLD.OPENCAT <=> NEW.OPENCAT AND OLD.COLOR <=> NEW.COLOR AND OLD.WAYBILLID <=> NEW.WAYBILLID
          AND OLD.ID <=> NEW.ID) THEN
    IF @OpenLotsLater <=> 1 AND OLD.ID <=> NEW.ID AND OLD.WAYBILLID <=> NEW.WAYBILLID
       AND OLD.CATID <=> NEW.CATID AND OLD.COLOR <=> NEW.COLOR THEN
      SET @OpenLotsLaterPairs = concat_ws(';', @OpenLotsLaterPairs, concat(NEW.CATID, ',', NEW.COLOR));
    ELSE
      IF OLD.OPENCAT IS NOT NULL THEN CALL OpenLotsRecount(OLD.OPENCAT, OLD.COLOR); END IF;
      IF NEW.OPENCAT IS NOT NULL AND NOT (NEW.OPENCAT <=> OLD.OPENCAT AND NEW.COLOR <=> OLD.COLOR) THEN
        CALL OpenLotsRecount(NEW.OPENCAT, NEW.COLOR);
      END IF;
    END IF;
  END IF//
CREATE OR REPLACE TRIGGER WaybillContOpenDelete AFTER DELETE ON WaybillCont FOR EACH ROW
  IF OLD.OPENCAT IS NOT NULL THEN CALL OpenLotsRecount(OLD.OPENCAT, OLD.COLOR); END IF//

-- A document that becomes or stops being a receipt, or a receipt's new date.
CREATE OR REPLACE TRIGGER WaybillOpenInsert AFTER INSERT ON Waybill FOR EACH ROW
  IF NEW.ISOUT <=> 0 THEN CALL OpenLotsRecountDocument(NEW.ID); END IF//
CREATE OR REPLACE TRIGGER WaybillOpenUpdate AFTER UPDATE ON Waybill FOR EACH ROW
  IF NOT (OLD.ID <=> NEW.ID AND (OLD.ISOUT <=> 0) = (NEW.ISOUT <=> 0)
          AND (NOT (NEW.ISOUT <=> 0) OR OLD.BDATE <=> NEW.BDATE)) THEN
    CALL OpenLotsRecountDocument(OLD.ID);
    IF NOT (OLD.ID <=> NEW.ID) THEN CALL OpenLotsRecountDocument(NEW.ID); END IF;
  END IF//
CREATE OR REPLACE TRIGGER WaybillOpenDelete AFTER DELETE ON Waybill FOR EACH ROW
  IF OLD.ISOUT <=> 0 THEN CALL OpenLotsRecountDocument(OLD.ID); END IF//

CREATE OR REPLACE TRIGGER OpenLotsInsert AFTER INSERT ON OpenLots FOR EACH ROW
  CALL OpenStockPair(NEW.CATID, NEW.COLOR)//
CREATE OR REPLACE TRIGGER OpenLotsUpdate AFTER UPDATE ON OpenLots FOR EACH ROW
  IF NOT (OLD.CATID <=> NEW.CATID AND OLD.COLOR <=> NEW.COLOR) THEN
    CALL OpenStockPair(OLD.CATID, OLD.COLOR);
    CALL OpenStockPair(NEW.CATID, NEW.COLOR);
  END IF//
CREATE OR REPLACE TRIGGER OpenLotsDelete AFTER DELETE ON OpenLots FOR EACH ROW
  CALL OpenStockPair(OLD.CATID, OLD.COLOR)//

CREATE OR REPLACE TRIGGER CatalogQtyOpenInsert AFTER INSERT ON CatalogQty FOR EACH ROW
  IF EXISTS (SELECT 1 FROM OpenLots WHERE CATID=NEW.CATID AND COLOR=NEW.COLOR LOCK IN SHARE MODE) THEN
    CALL OpenStockPair(NEW.CATID, NEW.COLOR);
  END IF//
CREATE OR REPLACE TRIGGER CatalogQtyOpenUpdate AFTER UPDATE ON CatalogQty FOR EACH ROW
  IF NOT (OLD.ID <=> NEW.ID AND OLD.CATID <=> NEW.CATID AND OLD.COLOR <=> NEW.COLOR) THEN
    DELETE FROM OpenStock WHERE QTYID=OLD.ID;
    CALL OpenStockPair(NEW.CATID, NEW.COLOR);
  ELSEIF NOT (OLD.QUANTITY <=> NEW.QUANTITY) THEN
    UPDATE OpenStock SET QUANTITY=NEW.QUANTITY WHERE QTYID=NEW.ID;
  END IF//
CREATE OR REPLACE TRIGGER CatalogQtyOpenDelete AFTER DELETE ON CatalogQty FOR EACH ROW
  DELETE FROM OpenStock WHERE QTYID=OLD.ID//

CREATE OR REPLACE TRIGGER CatalogOpenInsert AFTER INSERT ON Catalog FOR EACH ROW
  IF EXISTS (SELECT 1 FROM OpenStock WHERE CATID=NEW.ID) THEN CALL OpenStockMaterial(NEW.ID); END IF//
CREATE OR REPLACE TRIGGER CatalogOpenUpdate AFTER UPDATE ON Catalog FOR EACH ROW
  IF NOT (OLD.ID <=> NEW.ID AND OLD.CATGROUP <=> NEW.CATGROUP AND OLD.SUBGROUP <=> NEW.SUBGROUP
          AND BINARY OLD.NAME <=> BINARY NEW.NAME AND BINARY OLD.COMMENTS <=> BINARY NEW.COMMENTS
          AND OLD.SYSTEMID <=> NEW.SYSTEMID AND OLD.MEASURE <=> NEW.MEASURE) THEN
    CALL OpenStockMaterial(OLD.ID);
    IF NOT (OLD.ID <=> NEW.ID) THEN CALL OpenStockMaterial(NEW.ID); END IF;
  END IF//
CREATE OR REPLACE TRIGGER CatalogOpenDelete AFTER DELETE ON Catalog FOR EACH ROW
  CALL OpenStockMaterial(OLD.ID)//

CREATE OR REPLACE TRIGGER CatGroupsOpenInsert AFTER INSERT ON CatGroups FOR EACH ROW
  CALL OpenStockGroup(NEW.ID, NEW.SUBID)//
CREATE OR REPLACE TRIGGER CatGroupsOpenUpdate AFTER UPDATE ON CatGroups FOR EACH ROW
  IF NOT (OLD.ID <=> NEW.ID AND OLD.SUBID <=> NEW.SUBID AND OLD.MINVALUE <=> NEW.MINVALUE) THEN
    CALL OpenStockGroup(OLD.ID, OLD.SUBID);
    CALL OpenStockGroup(NEW.ID, NEW.SUBID);
  END IF//
CREATE OR REPLACE TRIGGER CatGroupsOpenDelete AFTER DELETE ON CatGroups FOR EACH ROW
  CALL OpenStockGroup(OLD.ID, OLD.SUBID)//

DELIMITER ;
