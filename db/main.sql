-- Main database: catalogue, stock rows, documents, users.
-- The program never creates tables; the scripts load this file into an empty database.

-- The material card writes NULL for a price, size or package value of 0.
CREATE TABLE Catalog (
  ID            INT NOT NULL AUTO_INCREMENT,
  SYSTEMID      INT NOT NULL DEFAULT 0,
  MAINGRP       INT NOT NULL DEFAULT 0,
  NAME          VARCHAR(50) NOT NULL DEFAULT '',
  COMMENTS      VARCHAR(80) DEFAULT '',
  CATGROUP      INT NOT NULL DEFAULT 0,
  SUBGROUP      INT NOT NULL DEFAULT 0,
  MEASURE       INT NOT NULL DEFAULT 1,
  PRICE0        DOUBLE DEFAULT 0,
  PRICE1        DOUBLE DEFAULT 0,
  PRICE2        DOUBLE DEFAULT 0,
  PRICE3        DOUBLE DEFAULT 0,
  PRICE4        DOUBLE DEFAULT 0,
  CURRENCY      INT NOT NULL DEFAULT 0,
  DISCOUNTGROUP INT NOT NULL DEFAULT 0,
  SIZE          DOUBLE DEFAULT 0,
  PACKUNITSIZE  DOUBLE DEFAULT 0,
  SMALLPACK     DOUBLE DEFAULT 0,
  BIGPACK       DOUBLE DEFAULT 0,
  SUPPLIER      INT NOT NULL DEFAULT 0,
  LENGTH        INT DEFAULT 0,
  DELTA         INT DEFAULT 0,
  IX            DOUBLE NOT NULL DEFAULT 0,
  IY            DOUBLE NOT NULL DEFAULT 0,
  DELIVERY0     INT NOT NULL DEFAULT 0,
  DELIVERY1     INT NOT NULL DEFAULT 0,
  DELIVERY2     INT NOT NULL DEFAULT 0,
  DELIVERY3     INT NOT NULL DEFAULT 0,
  DELIVERY4     INT NOT NULL DEFAULT 0,
  ISCOLOR       INT NOT NULL DEFAULT 0,
  PRIMARY KEY (ID),
  KEY CatalogGroup (CATGROUP, SUBGROUP, NAME),
  KEY CatalogSystem (SYSTEMID, CATGROUP, SUBGROUP),
  KEY CatalogSupplier (SUPPLIER),
  KEY CatalogSupplierGroup (SUPPLIER, CATGROUP, SUBGROUP, NAME),
  KEY CatalogName (NAME)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- No unique key on (CATID, COLOR): a colour-flag change may leave duplicates that the
-- colour clean-up merges later.
CREATE TABLE CatalogQty (
  ID        INT NOT NULL AUTO_INCREMENT,
  CATID     INT NOT NULL,
  COLOR     INT NOT NULL DEFAULT -1,
  QUANTITY  DOUBLE NOT NULL DEFAULT 0,
  RESERVE   DOUBLE NOT NULL DEFAULT 0,
  LASTWBID  INT NOT NULL DEFAULT 0,
  PRIMARY KEY (ID),
  KEY CatalogQtyMaterial (CATID, COLOR),
  KEY CatalogQtyLast (LASTWBID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE CatGroups (
  ID        INT NOT NULL,
  SUBID     INT NOT NULL DEFAULT 0,
  NAME      VARCHAR(50) NOT NULL DEFAULT '',
  MINVALUE  INT NOT NULL DEFAULT 0,
  WASTE     DOUBLE NOT NULL DEFAULT 0,
  PRIMARY KEY (ID, SUBID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Value lists: IDs are gap-free from 0 (currencies, discount groups) and from 1 (measures).
CREATE TABLE Currencies (
  ID    INT NOT NULL,
  NAME  VARCHAR(3) NOT NULL DEFAULT '',
  RATE  DOUBLE NOT NULL DEFAULT 1,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE DiscountGroups (
  ID      INT NOT NULL,
  NAME    VARCHAR(50) NOT NULL DEFAULT '',
  DVALUE  DOUBLE NOT NULL DEFAULT 0,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Measures (
  ID    INT NOT NULL AUTO_INCREMENT,
  NAME  VARCHAR(20) NOT NULL DEFAULT '',
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Images (
  ID      INT NOT NULL AUTO_INCREMENT,
  BITMAP  MEDIUMBLOB,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Suppliers (
  ID        INT NOT NULL AUTO_INCREMENT,
  NAME      VARCHAR(50) NOT NULL DEFAULT '',
  JADDRESS  VARCHAR(50) DEFAULT '',
  FADDRESS  VARCHAR(50) DEFAULT '',
  PHONES    VARCHAR(50) DEFAULT '',
  REGNUM    VARCHAR(25) DEFAULT '',
  BANKNAME  VARCHAR(50) DEFAULT '',
  BANKCODE  VARCHAR(25) DEFAULT '',
  ACCOUNT   VARCHAR(25) DEFAULT '',
  NOTES     VARCHAR(80) DEFAULT '',
  LASTNUM   INT DEFAULT 0,
  PRIMARY KEY (ID),
  KEY SuppliersName (NAME)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Only receipts and requests carry a currency and a rate; others leave them NULL.
CREATE TABLE Waybill (
  ID            INT NOT NULL AUTO_INCREMENT,
  BDATE         DATE,
  NUM           VARCHAR(20) NOT NULL DEFAULT '',
  ORDLINK       VARCHAR(30) DEFAULT NULL,
  NOTES         VARCHAR(50) DEFAULT '',
  ISOUT         INT NOT NULL DEFAULT 0,
  SUPPLIERID    INT NOT NULL DEFAULT 0,
  ISPAID        INT NOT NULL DEFAULT 0,
  SUM           DOUBLE NOT NULL DEFAULT 0,
  CURRENCY      INT DEFAULT NULL,
  CURRENCYRATE  DOUBLE DEFAULT NULL,
  USERID        INT NOT NULL DEFAULT 0,
  LASTUPDATE    DATETIME DEFAULT NULL,
  ISEXPORTED    INT NOT NULL DEFAULT 0,
  EXPORTBY      INT DEFAULT NULL,
  EXPORTDATE    DATETIME DEFAULT NULL,
  PRIMARY KEY (ID),
  KEY WaybillKindDate (ISOUT, BDATE),
  KEY WaybillNum (NUM),
  KEY WaybillSupplier (SUPPLIERID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- One row that every save of an issue, reservation or stock count writes before it checks its
-- document numbers: such saves wait for each other here (on a cluster, two writes of the row
-- conflict at commit and one of them is retried), so no number is stored twice.
CREATE TABLE DocNumberLock (
  ID     INT NOT NULL,
  SAVES  BIGINT NOT NULL DEFAULT 0,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
INSERT INTO DocNumberLock (ID, SAVES) VALUES (1, 0);

-- materials: every posting and reversal, the material deletion and the colour-flag changes write
-- the row of each material they touch before anything else of it, so that two of them that
-- touch one material wait for each other (on a cluster the second write of the row aborts at
-- commit and the transaction is retried).
CREATE TABLE CatalogLock (
  CATID  INT NOT NULL,
  SAVES  BIGINT NOT NULL DEFAULT 0,
  PRIMARY KEY (CATID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE WaybillCont (
  ID         INT NOT NULL AUTO_INCREMENT,
  WAYBILLID  INT NOT NULL,
  CATID      INT NOT NULL,
  COLOR      INT NOT NULL DEFAULT -1,
  QUANTITY   DOUBLE NOT NULL DEFAULT 0,
  PRICE      DOUBLE NOT NULL DEFAULT 0,
  QTYOUT     DOUBLE DEFAULT NULL,
  -- The material of a line that still holds something (QTYOUT is set on receipt lines only),
  -- NULL on every other line: its index starts from the open lots alone, however long the
  -- history of closed lots grows. Invisible, so "select *" and inserts without a column list
  -- see the table as before.
  OPENCAT    INT AS (IF(QUANTITY-QTYOUT>0.0000005, CATID, NULL)) PERSISTENT INVISIBLE,
  PRIMARY KEY (ID),
  KEY WaybillContDoc (WAYBILLID),
  KEY WaybillContMaterial (CATID, COLOR),
  -- The open lots of the receipts, read from the index alone (the lot lists of the editors).
  KEY WaybillContOpenLot (WAYBILLID, QUANTITY, QTYOUT, CATID, COLOR, PRICE),
  -- The open lots by material and colour (the stock list, the issue editor's lot list).
  KEY WaybillContOpen (OPENCAT, COLOR, WAYBILLID, PRICE)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE WBList (
  ID           INT NOT NULL AUTO_INCREMENT,
  INWBID       INT NOT NULL,
  OUTWBID      INT NOT NULL,
  OUTWBCONTID  INT NOT NULL,
  INWBCONTID   INT NOT NULL,
  PRIMARY KEY (ID),
  KEY WBListIn (INWBID),
  KEY WBListOut (OUTWBID),
  KEY WBListOutLine (OUTWBCONTID),
  KEY WBListInLine (INWBCONTID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE WaybillInventory (
  ID         INT NOT NULL AUTO_INCREMENT,
  WAYBILLID  INT NOT NULL,
  CATID      INT NOT NULL,
  COLOR      INT NOT NULL DEFAULT -1,
  QTYBEFORE  DOUBLE NOT NULL DEFAULT 0,
  QTYAFTER   DOUBLE NOT NULL DEFAULT 0,
  SUM        DOUBLE NOT NULL DEFAULT 0,
  REMAIN     DOUBLE NOT NULL DEFAULT 0,
  PRIMARY KEY (ID),
  KEY WaybillInventoryDoc (WAYBILLID),
  KEY WaybillInventoryMaterial (CATID, COLOR)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE WriteOffLog (
  ID         INT NOT NULL AUTO_INCREMENT,
  STARTDATE  DATE,
  ENDDATE    DATE,
  INSUM      DOUBLE NOT NULL DEFAULT 0,
  WRITTEN    DATETIME,
  WRITTENBY  INT NOT NULL DEFAULT 0,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE SCALA_MaterAccounts (
  ID         INT NOT NULL AUTO_INCREMENT,
  ACODE      VARCHAR(20) NOT NULL DEFAULT '',
  CATGROUPS  VARCHAR(255) NOT NULL DEFAULT '',
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE Users (
  ID               INT NOT NULL AUTO_INCREMENT,
  LOGIN            VARCHAR(50) DEFAULT '',
  NAME             VARCHAR(100) DEFAULT '',
  MOBILE           VARCHAR(50) DEFAULT '',
  EMAIL            VARCHAR(100) DEFAULT '',
  LOCATION         INT DEFAULT 0,
  DIVISION         INT DEFAULT 0,
  ISLOCATIONADMIN  INT DEFAULT 0,
  ISDIVISIONADMIN  INT DEFAULT 0,
  ISLOCATIONVIEW   INT DEFAULT 0,
  ISDIVISIONVIEW   INT DEFAULT 0,
  WPREFIX          VARCHAR(20) DEFAULT '',
  WMETHOD          INT DEFAULT 0,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE UserLocations (
  ID             INT NOT NULL AUTO_INCREMENT,
  NAME           VARCHAR(100) DEFAULT '',
  ADDRESS        VARCHAR(200) DEFAULT '',
  PHONE          VARCHAR(50) DEFAULT '',
  FAX            VARCHAR(50) DEFAULT '',
  APREFIX        VARCHAR(20) DEFAULT '',
  WPREFIX        VARCHAR(20) DEFAULT '',
  AMETHOD        INT DEFAULT 0,
  WMETHOD        INT DEFAULT 0,
  ISDEALER       INT DEFAULT 0,
  CUSTOMERLINK   INT DEFAULT 0,
  DEFCITY        INT DEFAULT 0,
  DISTANCEKM     INT DEFAULT 0,
  SHIPPINGPLACE  INT DEFAULT 0,
  SHIPPINGCOST   DOUBLE DEFAULT 0,
  OWNWIN         DOUBLE DEFAULT 0,
  OWNADD         DOUBLE DEFAULT 0,
  OWNSILLS       DOUBLE DEFAULT 0,
  CLIENTWIN      DOUBLE DEFAULT 0,
  CLIENTADD      DOUBLE DEFAULT 0,
  CLIENTSILLS    DOUBLE DEFAULT 0,
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE UserAccGroups (
  ID    INT NOT NULL AUTO_INCREMENT,
  NAME  VARCHAR(100) DEFAULT '',
  ACC   VARCHAR(50) DEFAULT '',
  PRIMARY KEY (ID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
