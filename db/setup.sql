-- Setup database of the window-calculation program: the tree of setup nodes, read only.
-- NODEID is compared and sorted as bytes.
CREATE TABLE Setup (
  NODEID      VARBINARY(25) NOT NULL,
  CAPTION     VARCHAR(40) DEFAULT '',
  CHECKTYPE   INT DEFAULT 0,
  SDATA       VARCHAR(128) DEFAULT '',
  IDATA       INT DEFAULT 0,
  FDATA       DOUBLE DEFAULT 0,
  BDATA       INT DEFAULT 0,
  ICATNAME    VARCHAR(30) DEFAULT '',
  ICATID      INT DEFAULT 0,
  BCATNAME    VARCHAR(30) DEFAULT '',
  BCATID      INT DEFAULT 0,
  CHECKSTATE  INT DEFAULT 0,
  PRIMARY KEY (NODEID)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
