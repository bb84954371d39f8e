-- The demo database: customers, their orders and order items, the parts
-- sold and the employees who took the orders. Rows come from the CSV files
-- beside this file; pictures are drawn when the database is generated.

CREATE TABLE customers (
    CustNo INTEGER PRIMARY KEY,
    Company VARCHAR(40) NOT NULL,
    Addr1 VARCHAR(40),
    City VARCHAR(30),
    State VARCHAR(20),
    Zip VARCHAR(10),
    Country VARCHAR(20),
    Phone VARCHAR(20),
    Contact VARCHAR(30),
    TaxRate FLOAT,
    LastInvoiceDate DATETIME,
    Notes MEMO
);
CREATE INDEX ByCompany ON customers (Company);
CREATE INDEX ByCountry ON customers (Country, City);

CREATE TABLE employees (
    EmpNo INTEGER PRIMARY KEY,
    LastName VARCHAR(20) NOT NULL,
    FirstName VARCHAR(15),
    PhoneExt VARCHAR(4),
    HireDate DATE,
    Salary MONEY,
    Photo GRAPHIC
);
CREATE INDEX ByName ON employees (LastName, FirstName);

CREATE TABLE parts (
    PartNo INTEGER PRIMARY KEY,
    Description VARCHAR(40) NOT NULL,
    VendorNo INTEGER,
    OnHand INTEGER,
    OnOrder INTEGER,
    Cost MONEY,
    ListPrice MONEY,
    Discontinued BOOLEAN,
    Picture GRAPHIC
);
CREATE INDEX ByDescription ON parts (Description);

CREATE TABLE orders (
    OrderNo INTEGER PRIMARY KEY,
    CustNo INTEGER NOT NULL REFERENCES customers (CustNo),
    EmpNo INTEGER REFERENCES employees (EmpNo),
    SaleDate DATE,
    ShipDate DATETIME,
    ShipVia VARCHAR(10),
    Terms VARCHAR(10),
    PaymentMethod VARCHAR(10),
    ItemsTotal MONEY,
    TaxRate FLOAT,
    Freight MONEY,
    AmountPaid MONEY
);
CREATE INDEX ByCustNo ON orders (CustNo);
CREATE INDEX BySaleDate ON orders (SaleDate);

CREATE TABLE items (
    OrderNo INTEGER NOT NULL REFERENCES orders (OrderNo),
    ItemNo SMALLINT NOT NULL,
    PartNo INTEGER NOT NULL REFERENCES parts (PartNo),
    Qty SMALLINT,
    Discount FLOAT,
    PRIMARY KEY (OrderNo, ItemNo)
);
CREATE INDEX ByPartNo ON items (PartNo);
